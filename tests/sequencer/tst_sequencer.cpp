#include "recitation/Sequencer.h"

#include <QMap>
#include <QTest>
#include <functional>

using namespace velmora;

namespace {

// A sound control whose clips advance by one unit on every read of the position.
class ScriptedSound : public SoundControl {
public:
    QMap<QString, qint32> lengths; // clip path -> length; a path not here cannot be played
    QStringList played;
    QList<int> commands;
    QString file;
    mutable qint32 pos = 0;
    bool playing = false;

    void setFile(const QString &path) override
    {
        file = path;
        playing = false;
        pos = 0;
    }
    void setCommand(int command) override
    {
        commands << command;
        if (command == 5) {
            played << file;
            playing = lengths.contains(file);
            pos = 0;
        } else if (command == 11) {
            playing = false;
        }
    }
    qint32 position() const override
    {
        if (playing && pos < lengths.value(file))
            ++pos;
        return pos;
    }
    qint32 startPosition() const override { return 0; }
    qint32 length() const override { return lengths.value(file, 0); }
    QString status() const override
    {
        if (!lengths.contains(file))
            return QString();
        return playing && pos < lengths.value(file) ? QStringLiteral("playing") : QStringLiteral("stopped");
    }
};

// Surah s of this small book has the counts below; names "Sura s".
class FakeWindow : public SequencerHost {
public:
    QMap<int, int> counts;
    bool shown = true;
    bool stop = false;
    QString surah = QStringLiteral("1"), name = QStringLiteral("Fatiha"), ayah = QStringLiteral("1"),
            count = QStringLiteral("7");
    QString text, status;
    QStringList statuses;
    QList<bool> timer;
    int waits = 0;
    std::function<void(int)> onWait;

    bool isShown() const override { return shown; }
    bool stopRequested() const override { return stop; }
    QString surahText() const override { return surah; }
    QString nameText() const override { return name; }
    QString ayahText() const override { return ayah; }
    QString countText() const override { return count; }
    void setSelectorTexts(const QString &s, const QString &n, const QString &a, const QString &c) override
    {
        surah = s;
        name = n;
        ayah = a;
        count = c;
    }
    void chooseSurah(const QString &s) override
    {
        surah = s;
        QString num, nm, cnt;
        if (seekSurah(s, &num, &nm, &cnt))
            setSelectorTexts(num, nm, QStringLiteral("1"), cnt);
    }
    void setAyahText(const QString &t) override { text = t; }
    void setStatus(const QString &t) override
    {
        status = t;
        statuses << t;
    }
    void setSlider(qint32, qint32) override {}
    void setTimerEnabled(bool on) override { timer << on; }
    QString findAyahText(const QString &condition) override
    {
        text = QStringLiteral("text of ") + condition;
        return text;
    }
    bool seekSurah(const QString &s, QString *number, QString *nm, QString *cnt) override
    {
        bool ok = false;
        const int n = s.toInt(&ok);
        if (!ok || !counts.contains(n))
            return false;
        *number = QString::number(n);
        *nm = n == 1 ? QStringLiteral("Fatiha") : QStringLiteral("Sura %1").arg(n);
        *cnt = QString::number(counts.value(n));
        return true;
    }
    QString clipPath(const QString &s, const QString &a) const override
    {
        return QStringLiteral("/cd/wav/s") + s + QLatin1Char('a') + a + QStringLiteral(".wav");
    }
    void waitForEvents() override
    {
        ++waits;
        if (onWait)
            onWait(waits);
    }
};

QString clip(int s, int a)
{
    return QStringLiteral("/cd/wav/s%1a%2.wav").arg(s).arg(a);
}

} // namespace

class TestSequencer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void oneSurahWithBismillah_data();
    void oneSurahWithBismillah();
    void wholeQuranHas112Bismillahs();
    void missingClipSkippedAtOnce();
    void closingDuringBismillahStopsBeforeFirstAyah();
    void closingDuringAyahEndsEverything();
    void stopRequestedEndsAyah();
    void secondRunNestsInsideFirst();
    void statusLineAndText();
    void showTellsWhetherTheSurahWasFound();
    void lengthEqualToPositionAtFirstPollEnds();

private:
    ScriptedSound m_sound;
    FakeWindow m_win;
};

void TestSequencer::init()
{
    m_sound = ScriptedSound();
    m_win = FakeWindow();
    for (int s = 1; s <= 114; ++s) {
        m_win.counts[s] = s == 1 ? 7 : (s % 4) + 1;
        for (int a = 1; a <= m_win.counts[s]; ++a)
            m_sound.lengths[clip(s, a)] = 3;
    }
}

void TestSequencer::oneSurahWithBismillah_data()
{
    QTest::addColumn<int>("surah");
    QTest::addColumn<bool>("bismillah");
    QTest::newRow("surah 2") << 2 << true;
    QTest::newRow("surah 1 has none") << 1 << false;
    QTest::newRow("surah 9 has none") << 9 << false;
    QTest::newRow("surah 114") << 114 << true;
}

void TestSequencer::oneSurahWithBismillah()
{
    QFETCH(int, surah);
    QFETCH(bool, bismillah);
    Sequencer seq(m_win, m_sound);
    m_win.chooseSurah(QString::number(surah));
    seq.PlayNjeSure(m_win.surahText());
    QStringList expected;
    if (bismillah)
        expected << clip(1, 1);
    for (int a = 1; a <= m_win.counts[surah]; ++a)
        expected << clip(surah, a);
    QCOMPARE(m_sound.played, expected);
    QCOMPARE(m_win.statuses.contains(QStringLiteral("Bismil-lah...")), bismillah);
    QCOMPARE(m_win.timer.last(), false);
}

void TestSequencer::wholeQuranHas112Bismillahs()
{
    Sequencer seq(m_win, m_sound);
    seq.Hatme();
    QCOMPARE(m_win.statuses.count(QStringLiteral("Bismil-lah...")), 112);
    int ayahs = 0;
    for (int s = 1; s <= 114; ++s)
        ayahs += m_win.counts[s];
    QCOMPARE(m_sound.played.size(), ayahs + 112);
    QCOMPARE(m_sound.played.first(), clip(1, 1));
    QCOMPARE(m_sound.played.last(), clip(114, m_win.counts[114]));
}

void TestSequencer::missingClipSkippedAtOnce()
{
    m_sound.lengths.remove(clip(2, 2));
    Sequencer seq(m_win, m_sound);
    m_win.chooseSurah(QStringLiteral("2"));
    const int before = m_win.waits;
    seq.PlayNjeAjet(QStringLiteral("2"), QStringLiteral("2"));
    QCOMPARE(m_win.waits, before); // no wait at all for a clip that cannot play
    seq.PlayNjeSure(QStringLiteral("2"));
    QVERIFY(m_sound.played.contains(clip(2, 3)));
}

void TestSequencer::closingDuringBismillahStopsBeforeFirstAyah()
{
    Sequencer seq(m_win, m_sound);
    m_win.chooseSurah(QStringLiteral("2"));
    m_win.onWait = [this](int) { m_win.shown = false; };
    seq.PlayNjeSure(QStringLiteral("2"));
    QCOMPARE(m_sound.played, QStringList{clip(1, 1)});
}

void TestSequencer::closingDuringAyahEndsEverything()
{
    Sequencer seq(m_win, m_sound);
    m_win.onWait = [this](int) {
        if (m_sound.file == clip(3, 2))
            m_win.shown = false;
    };
    seq.Hatme();
    QCOMPARE(m_sound.played.last(), clip(3, 2));
}

void TestSequencer::stopRequestedEndsAyah()
{
    Sequencer seq(m_win, m_sound);
    m_win.onWait = [this](int) {
        if (m_sound.file == clip(2, 1))
            m_win.stop = true;
    };
    m_win.chooseSurah(QStringLiteral("2"));
    seq.PlayNjeSure(QStringLiteral("2"));
    // The Bismillah ignores the stop flag; the first ayah sees it and every later one returns
    // before playing.
    QCOMPARE(m_sound.played, (QStringList{clip(1, 1), clip(2, 1)}));
    QCOMPARE(m_win.timer.last(), false);
}

void TestSequencer::secondRunNestsInsideFirst()
{
    Sequencer seq(m_win, m_sound);
    bool nested = false;
    m_win.onWait = [&](int) {
        if (!nested && m_sound.file == clip(2, 1)) {
            nested = true;
            seq.PlayNjeAjet(QStringLiteral("5"), QStringLiteral("1"));
        }
    };
    m_win.chooseSurah(QStringLiteral("2"));
    seq.PlayNjeSure(QStringLiteral("2"));
    // The nested run plays inside the first; the outer run then goes on with its next ayah,
    // and with the surah it started with.
    QCOMPARE(m_sound.played.mid(0, 4), (QStringList{clip(1, 1), clip(2, 1), clip(5, 1), clip(2, 2)}));
}

void TestSequencer::statusLineAndText()
{
    Sequencer seq(m_win, m_sound);
    seq.TregojeTekstinEAjetit(QStringLiteral("1"), QStringLiteral("3"));
    QCOMPARE(m_win.status, QStringLiteral("Sure 1. Fatiha, ajet 3 od 7"));
    QCOMPARE(m_win.text, QStringLiteral("text of nrsure =1 and nrajet =3"));
    m_win.shown = false;
    seq.TregojeTekstinEAjetit(QStringLiteral("2"), QStringLiteral("1"));
    QCOMPARE(m_win.status, QStringLiteral("Sure 1. Fatiha, ajet 3 od 7"));
}

void TestSequencer::showTellsWhetherTheSurahWasFound()
{
    Sequencer seq(m_win, m_sound);
    QVERIFY(seq.TregojeTekstinEAjetit(QStringLiteral("2"), QStringLiteral("3")));
    QCOMPARE(m_win.surah, QStringLiteral("2"));
    QCOMPARE(m_win.ayah, QStringLiteral("3"));
    // No such surah: the selectors stay, the status line is formed from them.
    QVERIFY(!seq.TregojeTekstinEAjetit(QStringLiteral("abc"), QStringLiteral("9")));
    QCOMPARE(m_win.surah, QStringLiteral("2"));
    QCOMPARE(m_win.ayah, QStringLiteral("3"));
    QCOMPARE(m_win.status, QStringLiteral("Sure 2. Sura 2, ajet 3 od 3"));
    m_win.shown = false;
    QVERIFY(!seq.TregojeTekstinEAjetit(QStringLiteral("2"), QStringLiteral("1")));
}

void TestSequencer::lengthEqualToPositionAtFirstPollEnds()
{
    m_sound.lengths[clip(2, 1)] = 0;
    Sequencer seq(m_win, m_sound);
    seq.PlayNjeAjet(QStringLiteral("2"), QStringLiteral("1"));
    QCOMPARE(m_win.waits, 0);
}

QTEST_APPLESS_MAIN(TestSequencer)
#include "tst_sequencer.moc"
