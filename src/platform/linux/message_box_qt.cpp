#include "platform/linux/message_box_qt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kiebitz::platform {

int MessageBoxQt::show(const QString& text, int style, const QString& title, const HelpReference& help)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (style & 0x70) {
    case 16:
        box.setIcon(QMessageBox::Critical);
        break;
    case 32:
        box.setIcon(QMessageBox::Question);
        break;
    case 48:
        box.setIcon(QMessageBox::Warning);
        break;
    case 64:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (!help.file.isEmpty()) {
        // The help reference is offered as the box's detail text.
        box.setDetailedText(QStringLiteral("Hilfe: %1, Kontext %2").arg(help.file).arg(help.context));
    }
    if ((style & 0x7) == kYesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? kYesPressed : kNoPressed;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return kOkPressed;
}

}  // namespace kiebitz::platform
