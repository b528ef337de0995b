// Feeds arbitrary window and page titles to the acquisition: the direct and
// fallback scans, the title cuts and the DDE reply reader. Failures may only
// arrive as the classic runtime errors the acquisition reports; a shown
// auction always has a readable end time.

#include "capture/auction.h"
#include "capture/browser_query.h"
#include "capture/title_cuts.h"
#include "capture/window_scan.h"
#include "core/program_values.h"
#include "core/runtime_error.h"
#include "fuzz_input.h"
#include "support/fake_browsers.h"
#include "support/fake_platform.h"
#include "support/fake_time_zone.h"

#include <cstddef>
#include <cstdint>

using namespace kiebitz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const QString window = in.text();
    const QString reply = in.text(true);
    test::FakeTimeZone zone = test::FakeTimeZone::centralEurope();

    // The cuts on their own: a result or a classic runtime error, nothing else.
    try {
        // The item title becomes the caption: at most 38 characters, never
        // the title text's closing NUL.
        const capture::DirectCut cut = capture::cutDirectTitle(capture::titleText(window), zone);
        fuzz::check(cut.itemTitle.size() <= 38 && !cut.itemTitle.contains(QChar(u'\0')));
    } catch (const core::RuntimeError& e) {
        fuzz::check(e.number() == 5 || e.number() == 9);
    }
    capture::AuctionRecord record;
    int marker = 0;
    try {
        (void)capture::cutFallbackTitle(reply, record, marker, zone);
    } catch (const core::RuntimeError& e) {
        fuzz::check((e.number() == 5 || e.number() == 9) && (marker == 130 || marker == 60));
    }
    fuzz::check(capture::ddeReplyPageTitle(reply).size() <= reply.size());

    // The whole acquisition over one window and one answering browser.
    test::FakePlatform fake;
    test::FakeDdeClient dde;
    test::FakeShellWindows shell;
    test::RecordingDisplay display;
    constexpr std::uint32_t mask = core::WS_VISIBLE | core::WS_BORDER;
    fake.windows.entries = {{7, mask, window}};
    shell.entries = {{QStringLiteral("http://x"), 7, reply, true}};
    dde.replies[QStringLiteral("Opera")] = reply;
    capture::CaptureContext context;
    context.platform = fake.platform();
    context.platform.dde = &dde;
    context.platform.shellWindows = &shell;
    context.platform.timeZone = &zone;
    context.mainWindow = 1;
    context.windowStyleMask = mask;
    capture::AuctionRecord taken;
    capture::take_Auction(context, taken, display);
    fuzz::check(display.states.size() >= 1 && display.states.size() <= 2);
    fuzz::check((taken.AuctionEnd != core::kZeroDate) ==
                (display.states.size() == 2 && display.states.back() != "none"));
    return 0;
}
