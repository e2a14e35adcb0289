#include "window/qt/form1.hpp"

#include "window/form1_controls.hpp"
#include "window/version.hpp"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
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
// height, and what the style keeps of a key's box for frame and margins.
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
        need.frameWidth = option.rect.width() - contents.width();
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
    return std::min(free.width() / (kClientWidthTwips / double(kTwipsPerPixel)),
                    (free.height() - titleBar) / (kClientHeightTwips / double(kTwipsPerPixel)));
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

} // namespace

bool prepareApplication(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("rechner"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RECHNER_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.rechner.Rechner"));
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
            auto* field = new QLineEdit(this);
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
