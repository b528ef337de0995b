#pragma once

// The names browsers add to a page's title in their window title.

#include <QString>

#include <optional>

namespace kiebitz::core {

// The page title within a browser's window title: the title without its
// last " - Name" (a blank, a hyphen, en or em dash, a blank and the name of
// a known browser, in the browser's own spelling). Empty when the title does
// not end with a known browser's name.
std::optional<QString> withoutBrowserName(const QString& windowTitle);

}  // namespace kiebitz::core
