#include "app/LayoutRules.h"
#include "common/Twips.h"

#include <QTest>

using velmora::computeMainLayout;
using velmora::MainLayoutInput;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void steps_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("client");
        QTest::addColumn<int>("stepsDone");
        QTest::addColumn<int>("rtfWidth");
        QTest::addColumn<int>("treeHeight");

        // Design size: everything is laid out. Tree: 6390+... H - 1440 - (600 + 1410 + 550).
        QTest::newRow("design size") << 6855 << 6900 << 6390 << 6 << 6855 - 2640 - 100
                                     << (6900 - 1440) - (600 + 1410 + 550);
        QTest::newRow("large window")
            << 20000 << 12000 << 11500 << 6 << 20000 - 2740 << (12000 - 1440) - 2560;
        // Too narrow for the text view: the first step fails and nothing else moves.
        QTest::newRow("narrower than the left column") << 2700 << 8000 << 7500 << 0 << -1 << -1;
        // Minimised: the window's height is below the panels' top.
        QTest::newRow("height above panel top") << 9000 << 1000 << 600 << 1 << 9000 - 2740 << -1;
        // Room for the panel but not for the tree above the list: steps 1-3 done, 4 fails.
        QTest::newRow("tree would be negative") << 9000 << 3900 << 3400 << 3 << 9000 - 2740 << -1;
    }

    void steps()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, client);
        MainLayoutInput in;
        in.outerWidth = width;
        in.outerHeight = height;
        in.clientHeight = client;
        const auto r = computeMainLayout(in);
        QTEST(r.stepsDone, "stepsDone");
        QFETCH(int, rtfWidth);
        QFETCH(int, treeHeight);
        QCOMPARE(r.rtfWidth.value_or(-1), rtfWidth);
        QCOMPARE(r.treeHeight.value_or(-1), treeHeight);
        if (r.stepsDone >= 3)
            QCOMPARE(*r.listTop, (height - 1440) - (1410 + 500));
        QCOMPARE(r.sureAjetHeight.has_value(), r.stepsDone == 6);
        if (r.stepsDone == 6)
            QCOMPARE(*r.sureAjetHeight, height - 1440);
    }

    void twipsRoundTrip_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::newRow("96 dpi") << 96.0;
        QTest::newRow("120 dpi") << 120.0;
        QTest::newRow("144 dpi") << 144.0;
    }

    void twipsRoundTrip()
    {
        QFETCH(double, dpi);
        // 1440 twips are one inch.
        QCOMPARE(velmora::twipsToPixels(1440, dpi), qRound(dpi));
        for (int tw : {0, 15, 375, 1935, 6735})
            QVERIFY(qAbs(velmora::pixelsToTwips(velmora::twipsToPixels(tw, dpi), dpi) - tw) <= 1440 / dpi);
    }
};

QTEST_APPLESS_MAIN(TestLayout)
#include "tst_layout.moc"
