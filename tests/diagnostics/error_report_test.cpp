#include "diagnostics/error_report.h"
#include "support/fake_platform.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kiebitz;

TEST(ErrorReport, Texts)
{
    test::RecordingMessageBox box;
    diagnostics::report_Error(box, {5, QStringLiteral("D"), {QStringLiteral("kiebitz.chm"), 7}},
                              QStringLiteral("find_Auction"), 60);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text,
              QStringLiteral("Fehlernummer:  5\r\nBeschreibung: D\r\nProgrammteil: find_Auction\r\nZeile: 60"));
    EXPECT_EQ(box.shown[0].title, QStringLiteral("Fehler"));
    EXPECT_EQ(box.shown[0].style, 0);
    EXPECT_EQ(box.shown[0].help.file, QStringLiteral("kiebitz.chm"));
    EXPECT_EQ(box.shown[0].help.context, 7);

    EXPECT_EQ(diagnostics::reportText({0, QStringLiteral("D"), {}}, QStringLiteral("find_Auction"), 60),
              QStringLiteral("Es ist ein Fehler aufgetreten!\r\nProgrammteil: find_Auction"));
    EXPECT_EQ(diagnostics::reportText({-2147, QStringLiteral("x"), {}}, QStringLiteral("WriteLog")),
              QStringLiteral("Fehlernummer: -2147\r\nBeschreibung: x\r\nProgrammteil: WriteLog"));
}

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST(WriteLog, KeepsExactlyTheLastEntry)
{
    QTemporaryDir dir;
    test::FakePlatform fake;
    const auto p = fake.platform(dir.path());
    diagnostics::WriteLog(p, QStringLiteral("A"));
    diagnostics::WriteLog(p, QStringLiteral("Bä"));
    EXPECT_EQ(readAll(dir.filePath("error.txt")), QByteArray("B\xE4\r\n"));

    // A file that differs only in case is not deleted; ours is still replaced.
    QFile other(dir.filePath("ERROR.TXT"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("keep");
    other.close();
    diagnostics::WriteLog(p, QStringLiteral("C"));
    EXPECT_EQ(readAll(dir.filePath("error.txt")), QByteArray("C\r\n"));
    EXPECT_EQ(readAll(dir.filePath("ERROR.TXT")), QByteArray("keep"));
    EXPECT_TRUE(fake.messages.shown.empty());
}

// A missing folder and a directory in place of the file: reported with the
// file error's number, and WriteLog returns.
TEST(WriteLog, UnwritableFolderReportsAndGoesOn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("error.txt"));
    for (const auto& [folder, number] : {std::pair{QStringLiteral("/nonexistent/kiebitz"), 76}, {dir.path(), 75}}) {
        SCOPED_TRACE(folder.toStdString());
        test::FakePlatform fake;
        diagnostics::WriteLog(fake.platform(folder), QStringLiteral("x"));
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        EXPECT_TRUE(fake.messages.shown[0].text.startsWith(QStringLiteral("Fehlernummer:  %1\r\n").arg(number)));
        EXPECT_TRUE(fake.messages.shown[0].text.endsWith(QStringLiteral("Programmteil: WriteLog")));
        EXPECT_EQ(fake.messages.shown[0].title, QStringLiteral("Fehler"));
    }
}
