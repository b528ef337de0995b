#pragma once

#include <QLabel>

namespace kiebitz::app {

// A label that keeps its caption exactly as set (lines joined by CR LF) and
// sizes itself to the text while keeping its left edge. Lines start at the
// left edge unless the label is given another alignment. A click emits
// clicked(); mouse moves emit mouseMoved().
class VbLabel : public QLabel {
    Q_OBJECT
public:
    explicit VbLabel(QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Resizes to the text; the left edge stays.
    void fitToText();

    void setForeColor(std::uint32_t rgb);
    std::uint32_t foreColor() const { return m_foreColor; }

signals:
    void clicked();
    void mouseMoved();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    std::uint32_t m_foreColor = 0;
};

}  // namespace kiebitz::app
