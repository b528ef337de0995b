#pragma once

// Doubles of the browser list and the DDE conversation.

#include "capture/auction.h"
#include "platform/dde_client.h"
#include "platform/shell_windows.h"

#include <QMap>
#include <QStringList>

namespace kiebitz::test {

class FakeShellWindows : public platform::ShellWindows {
public:
    std::optional<std::vector<platform::ShellBrowserEntry>> browserWindows(
        const std::vector<platform::WindowEntry>&) override
    {
        ++calls;
        return unavailable ? std::nullopt : std::optional(entries);
    }
    std::vector<platform::ShellBrowserEntry> entries;
    bool unavailable = false;
    int calls = 0;
};

// Browsers that answer with the reply set for their name; the others do not run.
class FakeDdeClient : public platform::DdeClient {
public:
    std::optional<QString> request(const QString& service, const QString& topic, const QString& item) override
    {
        asked << service;
        topics << topic + u'/' + item;
        return replies.contains(service) ? std::optional(replies[service]) : std::nullopt;
    }
    QMap<QString, QString> replies;
    QStringList asked, topics;
};

// Records the display states in order: "none", or "auction:<end>".
class RecordingDisplay : public capture::AuctionDisplay {
public:
    void show_NoAuction() override { states << QStringLiteral("none"); }
    void show_Auction(core::DateValue end) override
    {
        states << QStringLiteral("auction:") + core::generalDateText(end);
    }
    QStringList states;
};

}  // namespace kiebitz::test
