#include "platform/linux/lazy_http_control.h"
#include "platform/linux/lazy_sound.h"
#include "support/loopback_http_server.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace kiebitz;
using States = std::vector<std::int16_t>;

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

QString module(const QString& name) { return platform::programModule(QFileInfo(KIEBITZ_PROGRAM).path(), name); }
const QString kDrum = QStringLiteral(KIEBITZ_DRUM_WAV);
int g_warnings = 0;

}  // namespace

// Runs first, before anything has loaded the modules.
TEST(LazyModules, ProgramLoadsNetworkAndMultimediaOnlyFromItsModulesOnFirstUse)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(KIEBITZ_PROGRAM)});
    ASSERT_TRUE(ldd.waitForFinished());
    const QByteArray libraries = ldd.readAllStandardOutput();
    ASSERT_TRUE(libraries.contains("libQt6Widgets"));
    EXPECT_FALSE(libraries.contains("libQt6Network") || libraries.contains("libQt6Multimedia")) << libraries.data();

    test::LoopbackHttpServer server;
    test::LoopbackHttpServer::Response answer, never;
    answer.body = "12:00:00 GMT";
    never.kind = test::LoopbackHttpServer::Response::Kind::NeverAnswer;
    server.route("/time", answer);
    server.route("/never", never);  // then cancelled
    platform::LazyHttpControl http(module(platform::kHttpModuleName));
    States states;
    http.setStateHandler([&](std::int16_t s) { states.push_back(s); });
    http.cancel();
    EXPECT_FALSE(mapped("kiebitz-http.so"));
    http.execute(server.url(QStringLiteral("/time")), {});
    while (http.stillExecuting())
        http.doEvents();
    EXPECT_EQ(http.getChunk(100), QStringLiteral("12:00:00 GMT"));
    http.execute(server.url(QStringLiteral("/never")), {});
    http.cancel();
    EXPECT_EQ(states, (States{5, 7, 12, 5, 11}));

    platform::LazySound sound(module(platform::kSoundModuleName));
    sound.stop();
    EXPECT_FALSE(mapped("kiebitz-sound.so") || mapped("libQt6Multimedia"));
    sound.playAsync(kDrum);
    EXPECT_TRUE(mapped("kiebitz-sound.so") && mapped("libQt6Multimedia"));
}

// A missing module, and one without the factory (each module lacks the
// other's): requests fail at once, sounds stay silent, one warning each.
TEST(LazyModules, WithoutTheModuleRequestsFailAtOnceAndOneWarningSaysWhy)
{
    const QString nowhere = QStringLiteral("/nonexistent/");
    for (const auto& [httpFile, soundFile] :
         {std::pair{nowhere + platform::kHttpModuleName, nowhere + platform::kSoundModuleName},
          std::pair{module(platform::kSoundModuleName), module(platform::kHttpModuleName)}}) {
        SCOPED_TRACE(qPrintable(httpFile));
        g_warnings = 0;
        const QtMessageHandler next = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString&) { g_warnings += type == QtWarningMsg; });
        platform::LazyHttpControl http(httpFile);
        platform::LazySound sound(soundFile);
        States states;
        http.setStateHandler([&](std::int16_t s) { states.push_back(s); });
        for (int i = 0; i < 2; ++i) {
            http.execute(QStringLiteral("http://127.0.0.1:1/"), {});
            EXPECT_FALSE(http.stillExecuting());  // never waits
            sound.playAsync(kDrum);
        }
        qInstallMessageHandler(next);
        EXPECT_EQ(states, (States{5, 11, 5, 11}));
        EXPECT_EQ(g_warnings, 2);
    }
}
