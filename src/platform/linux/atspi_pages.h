#pragma once

// The web pages that browsers publish on the desktop's accessibility bus
// (AT-SPI 2 over D-Bus), as the browser list and as the answer to the
// question for a browser's current page.

#include "platform/accessibility.h"
#include "platform/dde_client.h"
#include "platform/shell_windows.h"
#include "platform/window_list.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QString>

#include <optional>
#include <vector>

namespace kiebitz::platform {

// One page as a browser publishes it.
struct AtspiPage {
    QString application;  // the browser's accessible name ("Firefox", "Chromium")
    QString frameTitle;   // the title of the top-level window that holds it
    bool frameActive = false;
    QString url;  // empty for a tab known only by its name
    QString title;
    bool selected = false;  // the page its window shows
};

// Reads the pages over a connection to the accessibility bus: the registry's
// applications, their top-level frames, and in each frame every web document
// and page tab (one collection query per frame). All calls of one stage are
// sent before the first answer is read, and a whole read ends after
// `budgetMs` however the applications answer. A result is reused for
// `reuseMs`, so that one click asks the bus once.
class AtspiBus {
public:
    static constexpr int kBudgetMs = 1000;
    static constexpr int kReuseMs = 1500;

    // `address` of the accessibility bus; empty: found through the session
    // bus when first needed.
    explicit AtspiBus(QString address = {}, int budgetMs = kBudgetMs, int reuseMs = kReuseMs);
    ~AtspiBus();
    AtspiBus(const AtspiBus&) = delete;
    AtspiBus& operator=(const AtspiBus&) = delete;

    std::vector<AtspiPage> pages();

    // Whether the session's accessibility switch (org.a11y.Status) is on.
    AccessibilitySwitch::State switchState();
    bool switchOn();

private:
    std::optional<QDBusConnection> connection();
    std::vector<AtspiPage> readPages(QDBusConnection bus);

    QString m_address;
    QString m_connectionName;
    int m_budgetMs;
    int m_reuseMs;
    bool m_connected = false;
    std::vector<AtspiPage> m_last;
    QElapsedTimer m_lastRead;
};

// The browser list from the accessibility bus: one entry per page, in the
// window of the window list whose title is the page's frame title. Where
// the bus has no pages, the window titles of known browsers stand in.
class AtspiShellWindows : public ShellWindows {
public:
    explicit AtspiShellWindows(AtspiBus& bus) : m_bus(bus) {}
    std::optional<std::vector<ShellBrowserEntry>> browserWindows(const std::vector<WindowEntry>& desktop) override;

private:
    AtspiBus& m_bus;
};

// The question for a browser's current page, answered from the bus: the
// shown page of the browser's active (else first) window, in the reply form
// "address","title","window title". Unanswered for a browser that has no
// page on the bus.
class AtspiDdeClient : public DdeClient {
public:
    explicit AtspiDdeClient(AtspiBus& bus) : m_bus(bus) {}
    std::optional<QString> request(const QString& service, const QString& topic, const QString& item) override;

private:
    AtspiBus& m_bus;
};

class AtspiAccessibilitySwitch : public AccessibilitySwitch {
public:
    explicit AtspiAccessibilitySwitch(AtspiBus& bus) : m_bus(bus) {}
    State state() override { return m_bus.switchState(); }
    bool switchOn() override { return m_bus.switchOn(); }

private:
    AtspiBus& m_bus;
};

}  // namespace kiebitz::platform
