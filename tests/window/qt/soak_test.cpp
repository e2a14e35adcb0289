// Long use of the real window: random clicks and typed texts, compared step
// by step with the same sequence on the core alone; and fields holding
// unusual texts, which every key must survive.

#include "keypad.hpp"
#include "runtime/conversions.hpp"
#include "runtime/runtime_error.hpp"
#include "window/qt/form1.hpp"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using rechner::Form1;
using rechner::testing::Keypad;

namespace {

struct Soak {
    Form1 form;
    std::vector<QString> reported;
    std::vector<QPushButton*> keys;   // every key but "Exit"
    std::array<QLineEdit*, 4> fields{};

    Soak()
    {
        form.setErrorReporter([this](QWidget*, const QString& message) { reported.push_back(message); });
        for (auto* key : form.findChildren<QPushButton*>()) {
            if (key->objectName() != QLatin1String("cm_Command20")) keys.push_back(key);
        }
        const char* names[] = {"txt_Text1", "txt_Text2", "txt_Text3", "txt_Text5"};
        for (int i = 0; i < 4; ++i) fields[i] = form.findChild<QLineEdit*>(names[i]);
    }

    std::array<std::string, 4> shown() const
    {
        return {fields[0]->text().toStdString(), fields[1]->text().toStdString(),
                fields[2]->text().toStdString(), fields[3]->text().toStdString()};
    }
};

// Replaces a field's text from the keyboard: select all, then type.
void retype(QLineEdit* field, const QString& text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    for (const char32_t c : text.toUcs4()) {
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
    }
}

} // namespace

TEST(Soak, TwentyThousandStepsMatchTheCore)
{
    Soak window;
    Keypad core;
    const std::vector<std::string> typed = {"", "12.5", "-3", "abc", "12,5", "1e308", "äöü", "😀", " 7 ",
                                            "11111111", "101", "NaN", "∞", "40000", "0"};
    const int widgetsBefore = static_cast<int>(QApplication::allWidgets().size());
    const int objectsBefore = static_cast<int>(window.form.findChildren<QObject*>().size());

    std::mt19937 random(4711);
    int errors = 0;
    constexpr int kSteps = 20000;
    for (int step = 0; step < kSteps; ++step) {
        std::string what;
        bool coreFailed = false;
        if (random() % 6 == 0) {
            const int field = static_cast<int>(random() % 4);
            const std::string text = typed[random() % typed.size()];
            retype(window.fields[field], QString::fromStdString(text));
            what = std::string("@") + "1235"[field] + ":" + text;
            core.step(what);
        } else {
            QPushButton* key = window.keys[random() % window.keys.size()];
            what = key->text().toStdString();
            const std::size_t reportsBefore = window.reported.size();
            QTest::mouseClick(key, Qt::LeftButton);
            try {
                core.step(key->objectName().toStdString());
            } catch (const rechner::RuntimeError& e) {
                coreFailed = true;
                ++errors;
                ASSERT_EQ(window.reported.size(), reportsBefore + 1) << "step " << step << ": " << what;
                ASSERT_EQ(window.reported.back().toStdString(), e.what()) << "step " << step;
            }
            if (!coreFailed) {
                ASSERT_EQ(window.reported.size(), reportsBefore) << "step " << step << ": " << what;
            }
        }
        ASSERT_EQ(window.shown(), core.shown()) << "step " << step << ": " << what;
        ASSERT_EQ(window.form.state().flg_Variable2Active, core.state.flg_Variable2Active) << "step " << step;
        ASSERT_EQ(window.form.state().flg_OperatorSet, core.state.flg_OperatorSet) << "step " << step;
        ASSERT_EQ(rechner::textOfNumber(window.form.state().dbl_Memory), rechner::textOfNumber(core.state.dbl_Memory))
            << "step " << step;
        if ((step & 255) == 0) {
            QApplication::processEvents();
        }
    }
    EXPECT_GT(errors, 100);
    EXPECT_EQ(static_cast<int>(QApplication::allWidgets().size()), widgetsBefore);
    EXPECT_EQ(static_cast<int>(window.form.findChildren<QObject*>().size()), objectsBefore);
}

TEST(UnusualTexts, EveryKeyAnswersWithoutCrashOrHang)
{
    const std::vector<QString> contents = {
        QString(100000, QLatin1Char('1')),
        QString(100000, QChar(0x00E4)),                        // ä
        QString::fromUtf8("😀👍🏽 12"),
        QString::fromUtf8("\x01\x02\t\n\x7f" "5"),               // control characters
        QString::fromUtf8("שלום ١٢٣ 12"),                      // right-to-left
        QString::fromUtf8("\u202e12.5"),                        // right-to-left override before a number
        QString::fromUtf8("1") + QString(400, QLatin1Char('0')),  // beyond a double's range
    };
    for (const QString& content : contents) {
        Soak window;
        for (QPushButton* key : window.keys) {
            for (QLineEdit* field : window.fields) {
                field->setText(content);
            }
            const auto before = window.shown();
            const std::size_t reportsBefore = window.reported.size();
            QTest::mouseClick(key, Qt::LeftButton);
            const bool answered = window.shown() != before || window.reported.size() == reportsBefore + 1;
            // Keys that only store or route may leave the fields as they were.
            const bool quietKey = key->text() == "R > M" || key->text() == "/" || key->text() == "x"
                                  || key->text() == "+" || key->text() == "-";
            EXPECT_TRUE(answered || quietKey) << key->text().toStdString() << " on " << content.left(20).toStdString();
        }
    }
}
