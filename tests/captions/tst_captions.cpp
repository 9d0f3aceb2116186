// What the window system shows of the program's windows and message boxes, read back from the
// X server: each caption exactly as the program names it, message boxes that are wide enough
// for their caption and whose buttons speak Bosnian, and the toolkit's own texts translated.
#include "TestSupport.h"

#include "about/widgets/AboutWindow.h"
#include "app/widgets/ApplicationSetup.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "common/ProgramTitle.h"
#include "common/widgets/MessageBoxes.h"
#include "recitation/widgets/RecitationWindow.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;

namespace {
// The caption the X server holds for `window` (its _NET_WM_NAME), as xprop prints it.
QString serverCaption(QWidget *window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(5000))
        return QStringLiteral("<xprop did not answer>");
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput());
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("= \"(.*)\"")).match(out);
    return m.hasMatch() ? m.captured(1) : out;
}
} // namespace

class TestCaptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (the test script starts one)");
        QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
        m_translator = setUpApplication();
    }

    void windows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("main window") << "frmMain" << QStringLiteral("Velmora 4.0");
        QTest::newRow("recitation window") << "frmLexim" << QStringLiteral("Ucenje ajeta");
        QTest::newRow("About window") << "frmRrethProg" << QStringLiteral("O programu Velmora 4.0");
    }

    void windows()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> w;
        if (window == QLatin1String("frmMain")) {
            auto *main = new MainWindow;
            installMainParts(*main);
            w.reset(main);
        } else if (window == QLatin1String("frmLexim")) {
            w = std::make_unique<RecitationWindow>();
        } else {
            w = std::make_unique<AboutWindow>();
        }
        QCOMPARE(w->objectName(), window);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTEST(serverCaption(w.get()), "caption");
    }

    void messageBoxes_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK") << int(QMessageBox::Ok) << QStringList{"U redu"} << int(QMessageBox::Ok);
        QTest::newRow("OK and Cancel") << int(QMessageBox::Ok | QMessageBox::Cancel)
                                       << QStringList{"U redu", "Odustani"} << int(QMessageBox::Cancel);
        QTest::newRow("Yes and No") << int(QMessageBox::Yes | QMessageBox::No) << QStringList{"Da", "Ne"}
                                    << int(QMessageBox::Yes);
    }

    // A one-word message in a box: the box keeps its caption readable and its buttons Bosnian,
    // and the button the reader presses is the one reported.
    void messageBoxes()
    {
        QFETCH(int, buttons);
        QFETCH(QStringList, texts);
        QFETCH(int, answer);
        QStringList shown;
        QString caption;
        int width = 0;
        test::MessageBoxAnswerer expected; // the box below is asked for
        expected.answer(QMessageBox::StandardButton(answer));
        expected.inspect = [&](QMessageBox *box) {
            for (QAbstractButton *b : box->buttons())
                shown << b->text();
            caption = serverCaption(box);
            width = box->frameGeometry().width();
        };
        const auto chosen =
            showMessage(nullptr, QStringLiteral("Da."), QMessageBox::StandardButtons(buttons));
        QCOMPARE(int(chosen), answer);
        std::sort(shown.begin(), shown.end());
        std::sort(texts.begin(), texts.end());
        QCOMPARE(shown, texts);
        QCOMPARE(caption, programTitle());
        // Wide enough for the caption and, beside it on the frame, the window's icon and its three
        // buttons (each some two text lines wide).
        const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
        QVERIFY2(width >= metrics.horizontalAdvance(programTitle()) + 4 * 2 * metrics.height(),
                 qPrintable(QString::number(width)));
    }

    // The texts Qt shows itself (the context menu of an edit field) come from its Croatian
    // translation, which set-up installs.
    void toolkitTextsInBosnian()
    {
        QVERIFY2(m_translator, "Qt's Croatian translation (qtbase_hr.qm) was not found");
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy") == QLatin1String("&Copy"), false);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Odustani"));
    }

private:
    QTranslator *m_translator = nullptr;
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
