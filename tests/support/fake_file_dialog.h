#pragma once

// A file-open dialog that answers with the path the test sets and records
// what it was asked.

#include "platform/file_dialog.h"

#include <vector>

namespace kiebitz::test {

class FakeFileDialog : public platform::FileDialog {
public:
    struct Request {
        QWidget* owner = nullptr;
        QString title;
        QString filter;
        QString folder;
    };
    QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& folder) override
    {
        requests.push_back({owner, title, filter, folder});
        return answer;
    }
    QString answer;  // "" acts as a cancelled dialog
    std::vector<Request> requests;
};

}  // namespace kiebitz::test
