#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "search/FindText.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

// Three paragraphs: "1:1.\tAllah je Gospodar." / "1:2.\tA Allah zna." / "1:3.\tRijec je allahu."
static const QString kText =
    QStringLiteral("1:1.\tAllah je Gospodar.\r\n1:2.\tA Allah zna.\r\n1:3.\tRijec je allahu.");

class TestFindInText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(test::useDefaultData());
        m_w = std::make_unique<MainWindow>();
        installMainParts(*m_w);
        QVERIFY(m_w->formLoad(MainWindow::Options{0, false}));
    }

    void init()
    {
        c().Rtf1->setText(kText);
        c().Rtf1->setSelStart(0);
        c().txtKerkim->setText(QStringLiteral("Allah"));
    }

    void forwardTwice()
    {
        c().cmdKerkim->click();
        QCOMPARE(c().Rtf1->selStart(), 5);
        QCOMPARE(c().Rtf1->selText(), QStringLiteral("Allah"));
        c().cmdKerkim->click();
        QCOMPARE(c().Rtf1->selStart(), static_cast<int>(kText.indexOf(QStringLiteral("A Allah")) + 2));
        c().cmdKerkim->click(); // "allahu" differs in case: found, the view's find ignores case
        QCOMPARE(c().Rtf1->selStart(), static_cast<int>(kText.indexOf(QStringLiteral("allahu"))));
    }

    void forwardWrapsWithOk()
    {
        c().txtKerkim->setText(QStringLiteral("zna"));
        c().cmdKerkim->click();
        const int only = c().Rtf1->selStart();
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        c().cmdKerkim->click();
        QCOMPARE(answerer.texts,
                 QStringList{QStringLiteral(
                     "Tekst se ne spominje vise!\r\nZelite li poceti trazenje iz pocetka teksta?")});
        QCOMPARE(c().Rtf1->selStart(), only);
    }

    void forwardWrapCancelledKeepsMatch()
    {
        c().txtKerkim->setText(QStringLiteral("Gospodar"));
        c().cmdKerkim->click();
        const int at = c().Rtf1->selStart();
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Cancel);
        c().cmdKerkim->click();
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(c().Rtf1->selStart(), at);
        QCOMPARE(c().Rtf1->selText(), QStringLiteral("Gospodar"));
    }

    void forwardFromAfterTheOnlyOccurrence()
    {
        c().txtKerkim->setText(QStringLiteral("Gospodar"));
        c().Rtf1->setSelStart(static_cast<int>(kText.indexOf(QStringLiteral("zna"))));
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        c().cmdKerkim->click();
        QCOMPARE(answerer.texts,
                 QStringList{QStringLiteral(
                     "Tekst se ne spominje!\r\nZelite li poceti trazenje iz pocetka teksta?")});
        QCOMPARE(c().Rtf1->selText(), QStringLiteral("Gospodar"));
    }

    void foreignSelectionStartsAfterFirstWord()
    {
        // A whole paragraph selected: its first word ("Allah") is skipped, a later one is found.
        c().txtKerkim->setText(QStringLiteral("Allah"));
        c().Rtf1->setSelStart(static_cast<int>(kText.indexOf(QStringLiteral("Allah je"))));
        c().Rtf1->setSelLength(20);
        c().cmdKerkim->click();
        QCOMPARE(c().Rtf1->selStart(), static_cast<int>(kText.indexOf(QStringLiteral("A Allah")) + 2));
    }

    void backward_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("expected");
        const int second = static_cast<int>(kText.indexOf(QStringLiteral("A Allah")) + 2);
        QTest::newRow("nearest before the caret")
            << "allah" << static_cast<int>(kText.size()) << int(kText.indexOf(QStringLiteral("allahu")));
        QTest::newRow("one before the caret not found") << "Allah" << second + 1 << 5;
        QTest::newRow("two before the caret found") << "Allah" << second + 2 << second;
        QTest::newRow("caret not beyond the length") << "Allah" << 5 << -1;
    }

    void backward()
    {
        QFETCH(QString, what);
        QFETCH(int, caret);
        QFETCH(int, expected);
        c().txtKerkim->setText(what);
        c().Rtf1->setSelStart(caret);
        c().cmdKerkimPrapa->click();
        if (expected < 0) {
            QCOMPARE(c().Rtf1->selStart(), caret);
            QCOMPARE(c().Rtf1->selText(), QString());
        } else {
            QCOMPARE(c().Rtf1->selStart(), expected);
            QCOMPARE(c().Rtf1->selText().toUpper(), what.toUpper());
        }
    }

    void backwardFromStartAsksBothQuestions()
    {
        c().txtKerkim->setText(QStringLiteral("absent"));
        c().Rtf1->setSelStart(0);
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Yes);
        answerer.answer(QMessageBox::Yes);
        answerer.answer(QMessageBox::Ok);
        c().cmdKerkimPrapa->click();
        QCOMPARE(answerer.texts,
                 (QStringList{
                     QStringLiteral("Momentalno se nalazite na pocetku teksta.\nZelite li da pretrazivanje "
                                    "zapocne iz kraja teksta?"),
                     QStringLiteral(
                         "Dostignut je pocetak teksta.\nZelite li da pretrazivanje zapocne iz kraja teksta?"),
                     QStringLiteral("Tekst nije pronađen.")}));
        // Answering No at the beginning ends silently.
        c().Rtf1->setSelStart(0);
        answerer.answer(QMessageBox::No);
        c().cmdKerkimPrapa->click();
        QCOMPARE(answerer.texts.size(), 4);
        QCOMPARE(answerer.pending(), 0);
    }

    void emptyText()
    {
        c().txtKerkim->setText(QString());
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        answerer.answer(QMessageBox::Ok);
        c().Rtf1->setSelStart(7);
        c().cmdKerkim->click();
        c().cmdKerkimPrapa->click();
        QCOMPARE(answerer.texts, (QStringList{QStringLiteral("Upisite nesto u kutiji za pretragu!"),
                                              QStringLiteral("Upisite nesto u kutiji za pretragu!")}));
        QCOMPARE(c().Rtf1->selStart(), 7);
    }

    void backwardOnWholeText()
    {
        QVERIFY(m_w->loadWholeText(QStringLiteral("kur'an.rtf")));
        const int end = c().Rtf1->textLength();
        c().txtKerkim->setText(QStringLiteral("zzqqzz"));
        c().Rtf1->setSelStart(end);
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::No);
        c().cmdKerkimPrapa->click();
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts.first().startsWith(QStringLiteral("Dostignut je pocetak teksta.")));
    }

private:
    MainControls &c() { return m_w->controls(); }
    std::unique_ptr<MainWindow> m_w;
};

QTEST_MAIN(TestFindInText)
#include "tst_findintext.moc"
