#pragma once

// The main window: end time, countdown and the four link commands.

#include "app/countdown_timer.h"
#include "app/program_state.h"
#include "app/vb_label.h"
#include "capture/auction.h"
#include "core/twips.h"
#include "platform/platform.h"
#include "timing/clock_sync.h"

#include <QRectF>
#include <QWidget>

#include <memory>
#include <utility>

namespace kiebitz::hover {
class ModuleMouseMove;
}

namespace kiebitz::app {

// A filled rectangle behind the labels.
class Shape : public QWidget {
public:
    explicit Shape(QWidget* parent);
    void setFillColor(std::uint32_t rgb);
    std::uint32_t fillColor() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::uint32_t m_fill = 0xFFFFFF;
};

class Form1 : public QWidget, public capture::AuctionDisplay {
    Q_OBJECT
public:
    Form1(const platform::Platform& platform, ProgramState& state, QWidget* parent = nullptr);
    ~Form1() override;

    void Form1init();
    void take_Auction();
    // The clock synchronisation; shows its outcome when msgonsync is not 0.
    void sync_Clock();
    // Where the synchronisation asks (tests point it at a local server);
    // takes effect before the first synchronisation only.
    void setSyncAddresses(timing::SyncAddresses addresses) { m_syncAddresses = std::move(addresses); }

    // AuctionDisplay
    void show_NoAuction() override;
    void show_Auction(core::DateValue end) override;

    // Geometry of a control in twips, as the window's layout works in them.
    QRectF twipsGeometry(const QWidget* control) const;
    void setTwipsGeometry(QWidget* control, double left, double top, double width, double height);
    const core::TwipsPerPixel& twipsPerPixel() const { return m_tpp; }

    // Controls, by their names.
    Shape* Shape1 = nullptr;
    Shape* Shape2 = nullptr;
    Shape* Shape3 = nullptr;
    VbLabel* Label1 = nullptr;
    VbLabel* LabelZeit = nullptr;
    VbLabel* Label2 = nullptr;
    VbLabel* Lbl_NoAuction = nullptr;
    VbLabel* Lbl_GoItem = nullptr;
    VbLabel* Lbl_GetTime = nullptr;
    VbLabel* Lbl_Optionen = nullptr;
    VbLabel* Lbl_GetArtikel = nullptr;
    CountdownTimer* Timer1 = nullptr;

public slots:
    // Virtual so that tests can count the refreshes.
    virtual void Update_Label();

    // Hover looks of the link labels, called by name by the hover tracking.
    void Lbl_GetTime_MouseIn();
    void Lbl_GetTime_MouseOut();
    void Lbl_GetArtikel_MouseIn();
    void Lbl_GetArtikel_MouseOut();
    void Lbl_GoItem_MouseIn();
    void Lbl_GoItem_MouseOut();
    void Lbl_Optionen_MouseIn();
    void Lbl_Optionen_MouseOut();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    VbLabel* makeLinkLabel(const QString& name, const QString& text, double l, double t, double w, double h,
                           const QString& toolTip);
    void centreInShape2(VbLabel* label);
    void setHoverLook(VbLabel* label, bool hover);
    void connectCommands();
    void trackHover(VbLabel* label);
    void openItemPage();
    void showOptions();

    platform::Platform m_platform;
    ProgramState& m_state;
    core::TwipsPerPixel m_tpp;
    std::unique_ptr<hover::ModuleMouseMove> m_hover;
    timing::SyncAddresses m_syncAddresses = timing::defaultSyncAddresses();
    std::unique_ptr<timing::ClockSync> m_clockSync;
};

}  // namespace kiebitz::app
