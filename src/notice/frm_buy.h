#pragma once

// The notice shown when the program closes: thanks, the two extended editions
// and a link to their web site. A click anywhere closes it.

#include "core/twips.h"
#include "platform/platform.h"

#include <QDialog>
#include <QLabel>

#include <cstdint>

namespace kiebitz::notice {

// The extended editions' web site (its root), opened by the link label.
inline const QString kMakerHomepage = QStringLiteral("http://www.tickwerk.de/");

inline const QString kNoticeCaption = QStringLiteral("Hinweis zu Kiebitz-Software");

constexpr std::uint32_t kLinkBlue = 0x0000FF;
constexpr std::uint32_t kLinkRed = 0xFF0000;

// A label that reports clicks (left button pressed and released over it) and
// mouse moves, and keeps both from reaching the window behind it.
class NoticeLabel : public QLabel {
    Q_OBJECT
public:
    explicit NoticeLabel(QWidget* parent);

signals:
    void clicked();
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

class FrmBuy : public QDialog {
    Q_OBJECT
public:
    explicit FrmBuy(const platform::Platform& platform, QWidget* parent = nullptr);
    ~FrmBuy() override;

    // Controls, by their names.
    NoticeLabel* Label1 = nullptr;
    NoticeLabel* Label2 = nullptr;
    NoticeLabel* Label3 = nullptr;
    NoticeLabel* Label4 = nullptr;
    NoticeLabel* Label5 = nullptr;
    NoticeLabel* Label6 = nullptr;
    NoticeLabel* Label7 = nullptr;
    NoticeLabel* Image1 = nullptr;

    const core::TwipsPerPixel& twipsPerPixel() const { return m_tpp; }
    std::uint32_t linkColor() const;
    bool linkUnderlined() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    NoticeLabel* makeLabel(const QString& name, const QString& text, double left, double top, double width,
                           double height);
    void setLinkLook(bool hover);
    void openHomepage();

    platform::Platform m_platform;
    core::TwipsPerPixel m_tpp;
    bool m_backgroundPressed = false;
    bool m_linkLookSet = false;
    bool m_linkHover = false;
};

// Shows the notice modally, without an owner, and returns when it is closed.
void showNotice(const platform::Platform& platform);

}  // namespace kiebitz::notice
