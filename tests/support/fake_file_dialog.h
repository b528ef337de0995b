#pragma once

#include "platform/file_dialog.h"

#include <vector>

namespace kiebitz::test {

// A file-open dialog that answers with the path the test sets ("" acts as a
// cancelled dialog) and records what it was asked.
class FakeFileDialog : public platform::FileDialog {
public:
    struct Request {
        QWidget* owner;
        QString title, filter, folder;
    };
    QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& folder) override
    {
        requests.push_back({owner, title, filter, folder});
        return answer;
    }
    QString answer;
    std::vector<Request> requests;
};

}  // namespace kiebitz::test
