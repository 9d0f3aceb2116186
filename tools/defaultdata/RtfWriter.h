#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::data {

// Writes the whole text as a Rich Text Format document in the Central European ANSI code
// page (1250), the way word processors of the Windows 9x era wrote it: a font table with
// charset 238, a colour table, one paragraph per ayah and short source lines.
//
// Every ayah paragraph starts with its marker "S:A." and a tab, so that the plain text of the
// document holds "S:A.<tab>text" followed by the paragraph end. Other paragraphs (title,
// headings, the Bismillah) never hold a tab.
class RtfWriter {
public:
    // Source lines are broken after a blank once they are this long; a line break in the
    // source of a document is not part of its text.
    static constexpr int kWrapColumn = 200;

    explicit RtfWriter(const QString &documentTitle);

    void title(const QString &text);
    void subtitle(const QString &text);
    void heading(const QString &text); // a surah heading: bold, centred, kept with the next
    void note(const QString &text);    // a small italic centred line below a heading
    void bismillah(const QString &text);
    void ayah(int surah, int ayah, const QString &text);
    void emptyParagraph();

    // Closes the document and returns its bytes. The writer must not be used afterwards.
    QByteArray finish();

    // The RTF form of a text: "\", "{" and "}" escaped, characters of code page 1250 above
    // 0x7F as \'xx, all others as \uN followed by a one-character stand-in for readers that
    // do not know \u (the base letter when there is one in the code page, else "?").
    // Tabs become \tab, line breaks a blank; other control characters are dropped.
    static QByteArray escapeText(const QString &text);
    // The marker text of an ayah without its tab, such as "2:255.".
    static QString marker(int surah, int ayah);

private:
    void beginParagraph(const char *formatting);
    void endParagraph();
    void appendText(const QString &text);
    void appendRaw(const QByteArray &bytes);

    QByteArray m_out;
    int m_lineLength = 0;
    bool m_finished = false;
};

} // namespace velmora::data
