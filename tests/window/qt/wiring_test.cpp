// Clicks and typing on the real widgets: each key runs its operation once,
// typing runs none, and a run-time error is reported and survived.

#include "keypad.hpp"
#include "window/design.hpp"
#include "window/qt/command_line.hpp"
#include "window/qt/form1.hpp"
#include "window/version.hpp"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

using rechner::Form1;
using rechner::testing::AnnouncedRow;
using rechner::testing::KeyRow;
using rechner::testing::kAnnounced;
using rechner::testing::kEveryKey;
using rechner::testing::Shown;

namespace {

// Types a text key by key; unlike QTest::keyClicks also umlauts and emoji.
void type(QWidget* widget, const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
    }
}   // txt_Text1, txt_Text2, txt_Text3, txt_Text5

struct Window {
    Form1 form;
    std::vector<QString> reported;

    Window()
    {
        form.setErrorReporter([this](QWidget*, const QString& message) { reported.push_back(message); });
    }

    // A key as the tests name it (namedControl).
    QPushButton* key(const std::string& name)
    {
        const auto* control = rechner::testing::namedControl(name);
        auto* button = control == nullptr ? nullptr : form.findChild<QPushButton*>(QString::fromUtf8(control->name));
        if (button == nullptr) ADD_FAILURE() << "no key " << name;
        return button;
    }

    QLineEdit* field(char n) { return form.findChild<QLineEdit*>(QString("txt_Text%1").arg(n)); }

    // The tests' steps (stepOf): a key is clicked; "@N:text" is typed into
    // field N over its whole text, selected first.
    void steps(const std::vector<std::string>& steps)
    {
        for (const auto& step : steps) {
            const rechner::testing::Step s = rechner::testing::stepOf(step);
            if (s.fill) {
                auto* edit = form.findChild<QLineEdit*>(QString::fromUtf8(s.control->name));
                edit->selectAll();
                QTest::keyClick(edit, Qt::Key_Backspace);
                type(edit, QString::fromStdString(s.text));
            } else {
                QTest::mouseClick(key(step), Qt::LeftButton);
            }
        }
    }

    Shown shown()
    {
        return {field('1')->text().toStdString(), field('2')->text().toStdString(),
                field('3')->text().toStdString(), field('5')->text().toStdString()};
    }
};

} // namespace

TEST(Keys, MouseClickRunsTheKeysOperationOnce)
{
    for (const KeyRow& row : kEveryKey) {
        Window w;
        w.steps(row.before);
        QTest::mouseClick(w.key(row.key), Qt::LeftButton);
        EXPECT_EQ(w.shown(), row.shown) << row.key;
        EXPECT_TRUE(w.reported.empty()) << row.key;
    }
}

TEST(Keys, SpaceReturnOrEnterOnAFocusedKeyRunsItsOperationOnce)
{
    for (const Qt::Key pressed : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        for (const KeyRow& row : kEveryKey) {
            Window w;
            w.form.show();
            w.steps(row.before);
            QPushButton* key = w.key(row.key);
            key->setFocus();
            // Held down a while: the key's auto-repeat clicks nothing more.
            QTest::keyPress(key, pressed);
            QKeyEvent repeated(QEvent::KeyPress, pressed, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(key, &repeated);
            QTest::keyRelease(key, pressed);
            EXPECT_EQ(w.shown(), row.shown) << row.key << " " << pressed;
        }
    }
}

TEST(Keys, MemoryRoundTripThroughTheWindow)
{
    Window w;
    w.steps({"2", "+", "3", "=", "R > M", "löschen", "R < M"});
    EXPECT_EQ(w.shown(), (Shown{"5", "", "", ""}));
}

TEST(Typing, ChangesOnlyTheFieldAndNoFlag)
{
    Window w;
    w.steps({"@1:5", "+", "@2:3", "="});
    EXPECT_EQ(w.shown(), (Shown{"5", "3", "8", "  +"}));
    EXPECT_FALSE(w.form.state().flg_EntryMade);   // typing made no entry: "-" is still a sign

    Window byHand;
    byHand.steps({"@1:5", "@5:+", "@2:3", "@3:äöü", "="});
    EXPECT_EQ(byHand.shown(), (Shown{"5", "3", "äöü", "+"}));   // an operator typed by hand chooses nothing
    EXPECT_FALSE(byHand.form.state().flg_Variable2Active);
}

TEST(Typing, EnterEscapeAndClicksOnFieldsOrLabelsRunNothing)
{
    Window w;
    w.form.show();
    w.steps({"7", "+", "2"});
    const Shown before = w.shown();
    for (char n : {'1', '2', '3', '5'}) {
        w.field(n)->setFocus();
        QTest::keyClick(w.field(n), Qt::Key_Return);
        QTest::keyClick(w.field(n), Qt::Key_Enter);
        QTest::keyClick(w.field(n), Qt::Key_Escape);
        QTest::mouseClick(w.field(n), Qt::LeftButton);
    }
    for (auto* label : w.form.findChildren<QLabel*>()) {
        QTest::mouseClick(label, Qt::LeftButton);
    }
    EXPECT_EQ(w.shown(), before);
    EXPECT_TRUE(w.reported.empty());
}

TEST(Typing, LongFieldTextsAreNotCutOff)
{
    Window w;
    const std::string longText(40000, '1');
    w.field('1')->setText(QString::fromStdString(longText));
    w.steps({"2"});
    EXPECT_EQ(w.shown()[0].size(), longText.size() + 1);
}

TEST(RuntimeErrors, AreReportedOnceAndTheCalculatorGoesOn)
{
    Window w;
    w.steps({"@1:1.2.3", "@3:alt", "sin"});
    ASSERT_EQ(w.reported.size(), 1u);
    EXPECT_EQ(w.reported[0], QString::fromUtf8("Keine Zahl: „1.2.3“"));
    EXPECT_EQ(w.shown(), (Shown{"1.2.3", "", "alt", ""}));   // result field not written
    EXPECT_FALSE(w.form.state().flg_Variable2Active);

    w.reported.clear();
    w.steps({"löschen", "7", "+", "@2:12,5", "="});
    ASSERT_EQ(w.reported.size(), 1u);
    EXPECT_TRUE(w.reported[0].contains("Dezimaltrennzeichen ist der Punkt"));
    EXPECT_EQ(w.form.state().dbl_Variable1, 7.0);   // converted before Variable 2 failed

    w.reported.clear();
    w.steps({"löschen", "-", "4", "sqrt", " Schritt   zurück"});
    EXPECT_EQ(w.reported.size(), 1u);
    w.steps({"löschen", "9", "sqrt"});
    EXPECT_EQ(w.shown(), (Shown{"9", "", "3", ""}));
}

TEST(RuntimeErrors, DefaultReportIsAMessageBoxClosedWithEnter)
{
    Form1 form;
    form.show();
    const QString pasted(1000, 'a');
    form.findChild<QLineEdit*>("txt_Text1")->setText(pasted);
    QString title;
    QString text;
    QSize size;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        EXPECT_EQ(box->accessibleDescription(), box->text());   // what Orca 48 reads with the title
#endif
        size = box->size();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::mouseClick(form.findChild<QPushButton*>("cm_Command720"), Qt::LeftButton);
    EXPECT_EQ(title, "Fehler");
    EXPECT_EQ(text, QString::fromUtf8("Keine Zahl: „") + QString(40, 'a') + QString::fromUtf8("…“ (1000 Zeichen)"));
    EXPECT_LE(size.width(), 1024);   // fits the smallest common screen
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form.findChild<QLineEdit*>("txt_Text1")->text(), pasted);   // nothing pasted is lost
    QTest::mouseClick(form.findChild<QPushButton*>("cm_Command18"), Qt::LeftButton);
    EXPECT_EQ(form.findChild<QLineEdit*>("txt_Text1")->text(), "");
}

namespace {

// What screen readers are told: each announcement of the window (Qt 6.8
// and later), or else the name of the window's notification each time it is
// shown, which is when screen readers read it.
struct Announcements : QObject {
    static inline std::vector<QString> heard;

    explicit Announcements(QWidget* form)
    {
        heard.clear();
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        Q_UNUSED(form);
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            if (event->type() == QAccessible::Announcement) {
                heard.push_back(static_cast<QAccessibleAnnouncementEvent*>(event)->message());
            }
        });
#else
        form->findChild<QWidget*>("Ansage")->installEventFilter(this);
#endif
    }
    ~Announcements() override { QAccessible::installUpdateHandler(nullptr); }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(object);
        if (event->type() == QEvent::Show && spoken->role() == QAccessible::Notification) {
            heard.push_back(spoken->text(QAccessible::Name));
        }
        return false;
    }
};

} // namespace

TEST(ScreenReaders, HearWhatEachKeyChanged)
{
    // What is announced is the controller's, tested with the core; here only
    // that it reaches screen readers, and that an error box is said instead.
    for (const AnnouncedRow& row : {kAnnounced.front(), kAnnounced.back()}) {
        Window w;
        w.form.show();
        const Announcements announcements(&w.form);
        w.steps(row.steps);
        EXPECT_EQ(QStringList(Announcements::heard.begin(), Announcements::heard.end()).join(" | ").toStdString(),
                  row.heard)
            << row.steps[0];
    }
}

TEST(End, ExitQuitsTheApplicationWithStatusZero)
{
    Form1 form;
    form.show();
    QTimer::singleShot(0, [&] { QTest::mouseClick(form.findChild<QPushButton*>("cm_Command20"), Qt::LeftButton); });
    QTimer::singleShot(60000, [] { QApplication::exit(99); });   // a hang fails instead of blocking the run
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST(End, ClosingTheWindowQuitsWithoutAQuestion)
{
    Form1 form;
    form.show();
    QTimer::singleShot(0, [&] { form.close(); });
    QTimer::singleShot(60000, [] { QApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(form.isVisible());
}

TEST(CommandLine, AnswersWithoutAWindowOrRefusesInGerman)
{
    struct Row {
        std::vector<const char*> arguments;
        int status;   // -1: the window is shown
        std::string out, err;   // what the output starts with
    };
    const std::vector<Row> rows = {
        {{"--version"}, 0, "rechner " RECHNER_VERSION "\n", ""},
        {{"--help"}, 0, "Aufruf: rechner", ""},
        {{"-h"}, 0, "Aufruf: rechner", ""},
        {{"-platform", "offscreen", "-style=Fusion", "--reverse", "-stylesheet", "x.qss"}, -1, "", ""},
        {{"--frob"}, 2, "", "rechner: unbekannte Option „--frob“\nAufruf: rechner"},
        {{"-style", "Fusion", "datei.txt"}, 2, "", "rechner: unerwartetes Argument „datei.txt“\nAufruf: rechner"},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv = {"rechner"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(rechner::answerCommandLine(static_cast<int>(argv.size()), argv.data(), out, err), row.status)
            << row.arguments[0];
        EXPECT_EQ(out.str().substr(0, row.out.size()), row.out) << row.arguments[0];
        EXPECT_EQ(err.str().substr(0, row.err.size()), row.err) << row.arguments[0];
    }
}
