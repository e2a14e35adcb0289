// How long after the click on "sqrt" the error box is on the screen, for a
// Variable 1 of 1 000 000 letters or digits, side by side with the same
// click on a short text. Prints the medians and their ratio.
// Usage: errorbox [RUNS]   (default 15; any Qt platform, e.g. offscreen)
#include "window/qt/form1.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Clicks "sqrt" with `text` in Variable 1 and returns the milliseconds until
// the error box has been shown; the box is then closed.
double clickToBox(rechner::Form1& form, const QString& text)
{
    // The text is pasted and drawn before the user can click.
    form.findChild<QLineEdit*>(QStringLiteral("txt_Text1"))->setText(text);
    QApplication::processEvents();
    QElapsedTimer clock;
    double shown = -1.0;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            box->done(0);
        }
    });
    clock.start();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("cm_Command700")), Qt::LeftButton);
    return shown;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    rechner::prepareApplication(app);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    rechner::Form1 form;
    form.show();

    const QString shortText = QStringLiteral("abc");
    std::printf("Medians of %d runs, click on \"sqrt\" until the error box is shown:\n", runs);
    for (const QChar c : {QChar('a'), QChar('9')}) {
        const QString longText(1'000'000, c);
        clickToBox(form, shortText);   // warm-up
        std::vector<double> shortTimes;
        std::vector<double> longTimes;
        for (int i = 0; i < runs; ++i) {
            shortTimes.push_back(clickToBox(form, shortText));
            longTimes.push_back(clickToBox(form, longText));
        }
        const double s = median(shortTimes);
        const double l = median(longTimes);
        std::printf("  1 000 000 x '%c': %8.2f ms   \"abc\": %6.2f ms   ratio %.1f\n", c.toLatin1(), l, s, l / s);
    }
    return 0;
}
