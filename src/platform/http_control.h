#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <utility>

namespace kiebitz::platform {

// An HTTP transfer component in the manner of the classic Internet transfer
// control: one request at a time, started with execute(), polled with
// stillExecuting() while the caller lets pending events run with doEvents(),
// and read afterwards with getChunk(). It reports its progress as numbered
// states through the state handler.
//
// No operation throws. A request that fails (unreachable host, refused
// connection, time-out) ends like any other, with an empty answer.
class HttpControl {
public:
    // State numbers as the transfer control reports them.
    enum State : std::int16_t {
        None = 0,
        ResolvingHost = 1,
        HostResolved = 2,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        ReceivingResponse = 7,  // the response has begun to arrive
        ResponseReceived = 8,
        Disconnecting = 9,
        Disconnected = 10,
        Error = 11,
        ResponseCompleted = 12,
    };

    // The control keeps no more of a body than this many characters.
    static constexpr qsizetype kMaxBodyChars = 18192;

    using StateHandler = std::function<void(std::int16_t state)>;

    virtual ~HttpControl() = default;

    // Starts a GET of `url` (port 80 unless the address names another) with
    // `extraHeaders`, lines of "Name: value" each ended by CR LF. A request
    // still running is abandoned first.
    virtual void execute(const QString& url, const QString& extraHeaders) = 0;

    // True from execute() until the answer is complete or the request failed.
    virtual bool stillExecuting() const = 0;

    // Abandons a running request: it ends at once with an empty answer.
    // Does nothing when no request runs.
    virtual void cancel() = 0;

    // Lets the program's pending events run once, waiting for the next event
    // when none is pending. A wait loop calls it between two polls of
    // stillExecuting().
    virtual void doEvents() = 0;

    // The first `maxChars` characters (at most kMaxBodyChars) of the last
    // answer's body, one character per byte in the single-byte code page;
    // empty after a failed request.
    virtual QString getChunk(qsizetype maxChars) = 0;

    // Called on the event loop with every state change.
    void setStateHandler(StateHandler handler) { m_stateHandler = std::move(handler); }

protected:
    void notifyState(std::int16_t state)
    {
        // A copy, so that a handler may replace itself while it runs.
        if (const StateHandler handler = m_stateHandler)
            handler(state);
    }

private:
    StateHandler m_stateHandler;
};

}  // namespace kiebitz::platform
