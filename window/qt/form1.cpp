#include "window/qt/form1.hpp"

#include "window/form1_controls.hpp"
#include "window/version.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleHints>
#if QT_VERSION >= QT_VERSION_CHECK(6, 10, 0)
#include <QAccessibilityHints>
#endif
#include <QStylePainter>
#include <QTranslator>

#include <algorithm>
#include <cmath>
#include <vector>

// The icon lives in a resource of this static library; it must be
// registered by hand, or the linker drops it.
static void initResources()
{
    Q_INIT_RESOURCE(rechner);
}

namespace rechner {

// Tells screen readers what a key did, politely. From Qt 6.8 on as an
// announcement of the window, which screen readers speak as the text alone.
// Before, through this child of Form1 without size, so nothing shows:
// screen readers read a notification when it is shown, so each announcement
// becomes its accessible name and shows it anew.
class Announcement final : public QWidget {
public:
    explicit Announcement(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Ansage"));
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
        hide();
    }

    void say(const QString& text)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QAccessibleAnnouncementEvent event(parentWidget(), text);
        event.setPoliteness(QAccessible::AnnouncementPoliteness::Polite);
        QAccessible::updateAccessibility(&event);
#else
        hide();
        setAccessibleName(text);
        show();
#endif
    }
};

namespace {

// Drawn in the high-contrast look (useContrast): each key's and field's
// boundary in its text colour, which the look sets apart from its face.
bool highContrastLook = false;

// The keyboard focus, drawn so that a low-vision user finds it: a ring two
// pixels wide in the control's text colour, which every look sets apart
// from the face it stands on, just inside the control's one-pixel edge.
constexpr int kRingInset = 1;
constexpr int kRingWidth = 2;

void drawFocusRing(QPainter& painter, const QRect& area, const QColor& colour)
{
    const QRect ring = area.adjusted(kRingInset, kRingInset, -kRingInset, -kRingInset);
    painter.fillRect(ring.left(), ring.top(), ring.width(), kRingWidth, colour);
    painter.fillRect(ring.left(), ring.bottom() - kRingWidth + 1, ring.width(), kRingWidth, colour);
    painter.fillRect(ring.left(), ring.top(), kRingWidth, ring.height(), colour);
    painter.fillRect(ring.right() - kRingWidth + 1, ring.top(), kRingWidth, ring.height(), colour);
}

// The high-contrast boundary of a control: one pixel, on its edge.
void drawBoundary(QPainter& painter, const QRect& area, const QColor& colour)
{
    painter.setPen(colour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

// A text field of the window: a line edit with the window's focus ring and,
// in the high-contrast look, its boundary.
class TextField final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLineEdit::paintEvent(event);
        if (!hasFocus() && !highContrastLook) {
            return;
        }
        QPainter painter(this);
        if (highContrastLook) {
            drawBoundary(painter, rect(), palette().color(QPalette::Text));
        }
        if (hasFocus()) {
            drawFocusRing(painter, rect(), palette().color(QPalette::Text));
        }
    }
};

// A key of the window: a push button whose caption wraps at its blanks
// when it is wider than the button (a plain QPushButton never wraps; text()
// stays the caption), and that Return or Enter clicks once while it has the
// focus, as Space does.
class WrappingButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (!event->isAutoRepeat()) {
                click();
            }
            event->accept();
            return;
        }
        QPushButton::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), caption.trimmed(),
                             QPalette::ButtonText);
        const QColor text = option.palette.color(QPalette::ButtonText);
        if (highContrastLook) {
            drawBoundary(painter, rect(), text);
        }
        if (hasFocus()) {
            drawFocusRing(painter, rect(), text);
        }
    }
};

// A control's font at a layout's scale: the window default (the platform
// theme's interface font) as it is, unless the screen is too small for it;
// a named font grows with the layout, and is as many pixels as at 96 dpi
// whatever logical DPI Qt reports, as the boxes are.
QFont fontFor(const FontDescription& description, const QFont& windowDefault, const LayoutScale& scale,
              double logicalDpi)
{
    if (description.family == nullptr) {
        QFont font = windowDefault;
        if (scale.font < 1.0) {
            if (font.pointSizeF() > 0) {
                font.setPointSizeF(font.pointSizeF() * scale.font);
            } else {
                font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * scale.font)));
            }
        }
        return font;
    }
    QFont font(QString::fromUtf8(description.family));
    font.setPointSizeF(description.points * scale.layout * 96.0 / logicalDpi);
    font.setWeight(description.bold ? QFont::Bold : QFont::Normal);
    return font;
}

// What a caption in the default font needs: its width on one line and its
// height, and what the style keeps of a key's box for frame and margins, at
// least the room of the focus ring on either side.
CaptionNeed captionNeed(const ControlDescription& control, QWidget* widget)
{
    const QFontMetricsF metrics(widget->font());
    QString caption = QString::fromUtf8(control.caption);
    CaptionNeed need{control.width, control.height, 0, metrics.height(), 0, 0};
    if (auto* key = qobject_cast<QPushButton*>(widget)) {
        caption = caption.trimmed();   // as the key draws it
        QStyleOptionButton option;
        option.initFrom(key);
        option.rect = QRect(0, 0, scaledPixels(control.width, 96), scaledPixels(control.height, 96));
        const QRect contents = key->style()->subElementRect(QStyle::SE_PushButtonContents, &option, key);
        // The caption stays clear of the focus ring.
        need.frameWidth = std::max(option.rect.width() - contents.width(), 2 * (kRingInset + kRingWidth));
        need.frameHeight = option.rect.height() - contents.height();
    }
    need.textWidth = std::ceil(metrics.horizontalAdvance(caption));
    return need;
}

// How many times its reference size the window may be: what the screen's
// free area holds, less a title bar.
double screenRoom(const QWidget& form)
{
    const QScreen* screen = form.screen();
    if (screen == nullptr) {
        return 1.0;
    }
    const QRect free = screen->availableGeometry();
    const double titleBar = 2.0 * QFontMetricsF(form.font()).height();
    return roomFor(free.width(), free.height() - titleBar);
}

// Text fields hold far more than the toolkit's default of 32767 characters,
// so that nothing typed or appended is cut off.
constexpr int kFieldCapacity = 1 << 24;

// Screen readers see Form1 as a window ("frame"), not as the plain panel a
// QWidget would be, and the announcement as a notification.
QAccessibleInterface* accessibleForm1(const QString&, QObject* object)
{
    if (auto* form = dynamic_cast<Form1*>(object)) {
        return new QAccessibleWidget(form, QAccessible::Window);
    }
    if (auto* announcement = dynamic_cast<Announcement*>(object)) {
        return new QAccessibleWidget(announcement, QAccessible::Notification);
    }
    return nullptr;
}

// Installs the screen-reader descriptions above, once, and hands on the
// parent. Form1 passes its parent through it, so that it runs before Form1's
// widget is built: Qt 6.8 asks for the window's description while it is
// built, and keeps the first answer.
QWidget* withAccessibleFactory(QWidget* parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleForm1);
        return true;
    }();
    Q_UNUSED(installed);
    return parent;
}

// The palette of the high-contrast look: 21:1 for text and boundaries, the
// selection in yellow on black or in dark blue on white.
QPalette highContrastPalette(bool dark)
{
    const QColor face = dark ? Qt::black : Qt::white;
    const QColor ink = dark ? Qt::white : Qt::black;
    QPalette palette(ink, face, ink, ink, ink, ink, ink, face, face);
    palette.setColor(QPalette::ButtonText, ink);
    palette.setColor(QPalette::Highlight, dark ? QColor(0xff, 0xff, 0x00) : QColor(0x00, 0x00, 0x99));
    palette.setColor(QPalette::HighlightedText, face);
    palette.setColor(QPalette::PlaceholderText, ink);
    palette.setColor(QPalette::ToolTipBase, face);
    palette.setColor(QPalette::ToolTipText, ink);
    return palette;
}

// The settings portal's contrast preference: 1 is high contrast. Asked with
// ReadOne, and with Read where the portal is older than that.
bool portalAsksHighContrast()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        !QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"))) {
        return false;   // no session bus: nothing to ask, and none to start
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    for (const QString& method : {QStringLiteral("ReadOne"), QStringLiteral("Read")}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                           QStringLiteral("/org/freedesktop/portal/desktop"),
                                           QStringLiteral("org.freedesktop.portal.Settings"), method);
        call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("contrast");
        const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            continue;
        }
        QVariant value = reply.arguments().constFirst();
        while (value.canConvert<QDBusVariant>()) {
            value = value.value<QDBusVariant>().variant();
        }
        return value.toUInt() == 1;
    }
    return false;
}

} // namespace

Contrast desktopContrast()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 10, 0)
    if (QGuiApplication::styleHints()->accessibility()->contrastPreference() == Qt::ContrastPreference::HighContrast) {
        return Contrast::High;
    }
#endif
    return portalAsksHighContrast() ? Contrast::High : Contrast::Desktop;
}

void useContrast(Contrast contrast)
{
    static QPalette desktops;   // the desktop's own, kept while high contrast is on
    const bool high = contrast == Contrast::High;
    if (high && !highContrastLook) {
        desktops = QApplication::palette();
        QApplication::setPalette(highContrastPalette(desktops.color(QPalette::Window).lightness() < 128));
    } else if (!high && highContrastLook) {
        QApplication::setPalette(desktops);
    }
    highContrastLook = high;
}

bool prepareApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("rechner"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RECHNER_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.rechner.Rechner"));
    if (qobject_cast<QApplication*>(&app) != nullptr) {
        useContrast(desktopContrast());
    }
    // Rechner is German whatever the user's locale, Qt's own texts included.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

Form1::Form1(QWidget* parent) : QWidget(withAccessibleFactory(parent))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    // Screen readers name the frame by its title. Since Qt 6.11 a window
    // without an accessible name of its own takes its platform window's
    // title, which does not exist before the window is first shown, and may
    // carry the application's name: the name is set here.
    setAccessibleName(windowTitle());
    initResources();
    setWindowIcon(QIcon(QStringLiteral(":/rechner.ico")));
    // "MS Sans Serif" is not on Linux desktops; the metric twin of Arial stands in.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));

    QWidget* previous = nullptr;
    std::vector<QWidget*> widgets;   // in the order of the description
    for (const ControlDescription& control : kForm1Controls) {
        const QString name = QString::fromUtf8(control.name);
        const QString caption = QString::fromUtf8(control.caption);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::TextField: {
            auto* field = new TextField(this);
            field->setMaxLength(kFieldCapacity);
            widget = field;
            break;
        }
        case ControlKind::Key:
        case ControlKind::ExitKey: {
            auto* key = new WrappingButton(caption, this);
            key->setAutoDefault(false);
            key->setDefault(false);
            key->setAccessibleDescription(caption);   // the caption a sighted user sees
            widget = key;
            connect(key, &QPushButton::clicked, this, [this, &control] { click(control); });
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        }
        widget->setObjectName(name);
        widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
        widget->setFont(fontFor(control.font, font(), scale_, 96.0));
        widgets.push_back(widget);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) {
                setTabOrder(previous, widget);
            }
            previous = widget;
        }
    }

    // Laid out for the interface font: as designed where its captions fit,
    // larger where they need it, within the screen.
    scale_ = fitLayout(
        [&](double factor) {
            LayoutScale smaller;
            smaller.font = factor;
            std::vector<CaptionNeed> needs;
            for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
                if (inDefaultFont(kForm1Controls[i])) {
                    widgets[i]->setFont(fontFor(kForm1Controls[i].font, font(), smaller, 96.0));
                    needs.push_back(captionNeed(kForm1Controls[i], widgets[i]));
                }
            }
            return needs;
        },
        1.0, screenRoom(*this));
    const int dpi = scale_.dpi();
    const double logicalDpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    resize(scaledPixels(kClientWidthTwips, dpi), scaledPixels(kClientHeightTwips, dpi));
    for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
        const ControlDescription& c = kForm1Controls[i];
        widgets[i]->setGeometry(scaledPixels(c.left, dpi), scaledPixels(c.top, dpi), scaledPixels(c.width, dpi),
                                scaledPixels(c.height, dpi));
        widgets[i]->setFont(fontFor(c.font, font(), scale_, logicalDpi));
    }

    for (std::size_t i = 0; i < kFieldRoles.size(); ++i) {
        edits_.at(i) = findChild<QLineEdit*>(QString::fromUtf8(fieldControl(kFieldRoles.at(i)).name));
    }
    // Each label names the field beside it, also for screen readers.
    for (const ControlDescription& control : kForm1Controls) {
        if (control.kind == ControlKind::Label && control.role != FieldRole::None) {
            findChild<QLabel*>(QString::fromUtf8(control.name))->setBuddy(edit(fieldControl(control.role)));
        }
    }
    announcement_ = new Announcement(this);
    edit(fieldControl(FieldRole::Variable1))->setFocus();
}

Form1::~Form1() = default;

QLineEdit* Form1::edit(const ControlDescription& field) const
{
    const auto* role = std::find(kFieldRoles.begin(), kFieldRoles.end(), field.role);
    return edits_.at(static_cast<std::size_t>(role - kFieldRoles.begin()));
}

std::string Form1::fieldText(const ControlDescription& field) const
{
    return edit(field)->text().toStdString();
}

void Form1::setFieldText(const ControlDescription& field, std::string_view text)
{
    edit(field)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void Form1::announce(const std::string& text)
{
    announcement_->say(QString::fromStdString(text));
}

void Form1::showError(const std::string& message)
{
    report_(this, QString::fromStdString(message));
}

void Form1::end()
{
    QCoreApplication::exit(0);   // ends the event loop, and with it the program
}

void Form1::showErrorBox(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Fehler"), message, QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // With Qt 6.8 comes Orca 48 (Debian 13), which read the message from the
    // label inside the box only now and then: it could look for the label
    // before it showed. It reads the box's description with its title at
    // once, and then leaves the label out. Orca 43 (Debian 12, Qt 6.4) reads
    // the label reliably, and would read a description as well: twice.
    box.setAccessibleDescription(message);
#endif
    box.exec();
}

} // namespace rechner
