// A bare Qt Widgets window laid out like the main window as it first shows:
// the same fixed size and place, the same background, and the labels that
// are visible then, with their texts and fonts. Nothing else: no settings,
// no desktop scan, no timer. startup_bench measures the program against it.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

// Sizes and places are given in twips (1/1440 inch), as in the main window.
struct Twips {
    double dpiX = 96;
    double dpiY = 96;
    int x(double twips) const { return int(std::lround(twips * dpiX / 1440.0)); }
    int y(double twips) const { return int(std::lround(twips * dpiY / 1440.0)); }
};

QFont font(const QStringList& families, double pointSize)
{
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    return f;
}

QLabel* label(QWidget* parent, const Twips& t, const QString& text, double left, double top, QRgb colour)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    l->setPalette(p);
    l->move(t.x(left), t.y(top));
    return l;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Twips t;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        t.dpiX = screen->logicalDotsPerInchX();
        t.dpiY = screen->logicalDotsPerInchY();
    }
    const QStringList arial = {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    const QStringList dialog = {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};

    QWidget window;
    window.setWindowTitle(QStringLiteral(" Bare window"));
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(235, 235, 235));
    window.setPalette(pal);
    window.setAutoFillBackground(true);
    window.setFixedSize(t.x(4215), t.y(2745));
    window.move(t.x(1245), t.y(1530));

    QLabel* title = label(&window, t, QStringLiteral("Kein Artikel gewählt."), 405, 240, qRgb(0, 0, 0));
    title->setFont(font(arial, 11.25));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    title->adjustSize();

    label(&window, t, QStringLiteral("Label2gdfg "), 360, 720, qRgb(247, 255, 244))->adjustSize();

    QLabel* instruction = label(&window, t,
                                QStringLiteral("Öffnen Sie den Artikel,\nauf den Sie bieten\nmöchten, in Ihrem\n"
                                               "Web-Browser und\nklicken Sie auf\n'Artikel übernehmen'"),
                                195, 960, qRgb(0, 0, 0));
    instruction->setFont(font(dialog, 9.75));
    instruction->adjustSize();
    // Centred vertically in the left panel (720 to 2655 twips).
    instruction->move(instruction->x(), t.y(1687.5) - instruction->height() / 2);

    const struct {
        const char16_t* text;
        double left;
        double top;
    } links[] = {{u"Link zum Artikel", 2730, 960},
                 {u"Uhr synchronisieren", 2340, 1360},
                 {u"zu den Optionen", 2670, 1760},
                 {u"Artikel übernehmen", 2400, 2160}};
    for (const auto& link : links) {
        QLabel* l = label(&window, t, QString::fromUtf16(link.text), link.left, link.top, qRgb(0, 0, 255));
        l->setFont(font(arial, 9));
        l->adjustSize();
    }

    window.show();
    return QApplication::exec();
}
