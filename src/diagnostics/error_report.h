#pragma once

// The error report box and the one-entry error log.

#include "platform/message_box.h"

#include <QString>

#include <optional>

namespace kiebitz::platform {
struct Platform;
}

namespace kiebitz::diagnostics {

struct Failure {
    int number = 0;
    QString description;
    platform::HelpReference help;
};

// Text of the report; `marker` is the progress marker of procedures that
// keep one.
QString reportText(const Failure& failure, const QString& procedure, std::optional<int> marker = std::nullopt);

// The classic file functions' access failure (75), for stores and files
// that could not be written.
Failure fileAccessError();

// Shows the report modally, titled "Fehler" with an OK button only.
void report_Error(platform::MessageBox& box, const Failure& failure, const QString& procedure,
                  std::optional<int> marker = std::nullopt);

// Replaces the content of "error.txt" in the log folder with `text` and a
// line end (single-byte code page). A failure shows the report for
// "WriteLog" and returns.
void WriteLog(const platform::Platform& platform, const QString& text);

}  // namespace kiebitz::diagnostics
