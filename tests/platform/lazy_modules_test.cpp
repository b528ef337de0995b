// Qt Network and Multimedia as the built program loads them: from its
// modules, on the first request and the first sound.

#include "platform/linux/lazy_http_control.h"
#include "platform/linux/lazy_sound.h"
#include "support/loopback_http_server.h"

#include <QtCore>

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
int g_warnings = 0;

// Runs first, before anything has loaded the modules.
TEST(LazyModules, ProgramLoadsNetworkAndMultimediaOnlyFromItsModulesOnFirstUse)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(KIEBITZ_PROGRAM)});
    ASSERT_TRUE(ldd.waitForFinished());
    const QByteArray libs = ldd.readAllStandardOutput();
    EXPECT_TRUE(libs.contains("libQt6Widgets") && !libs.contains("libQt6Network") &&
                !libs.contains("libQt6Multimedia"))
        << libs.data();

    test::LoopbackHttpServer server;
    server.route("/time", {.body = "12:00:00 GMT"});
    server.route("/never", {.kind = test::LoopbackHttpServer::Response::Kind::NeverAnswer});  // then cancelled
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
    sound.playAsync(QStringLiteral(KIEBITZ_DRUM_WAV));
    EXPECT_TRUE(mapped("kiebitz-sound.so") && mapped("libQt6Multimedia"));
}

// A missing module, and one without the factory (each module lacks the
// other's): requests fail at once, sounds stay silent, one warning each.
TEST(LazyModules, WithoutTheModuleRequestsFailAtOnceAndOneWarningSaysWhy)
{
    const QString none = QStringLiteral("/nonexistent/");
    for (const auto& [httpFile, soundFile] :
         {std::pair{none + platform::kHttpModuleName, none + platform::kSoundModuleName},
          {module(platform::kSoundModuleName), module(platform::kHttpModuleName)}}) {
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
            sound.playAsync(QStringLiteral(KIEBITZ_DRUM_WAV));
        }
        qInstallMessageHandler(next);
        EXPECT_EQ(states, (States{5, 11, 5, 11}));
        EXPECT_EQ(g_warnings, 2);
    }
}

}  // namespace
