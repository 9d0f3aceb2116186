#include "textview/widgets/TextPrinting.h"

#include "common/ProgramTitle.h"
#include "common/widgets/MessageBoxes.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <QTextLayout>
#include <memory>

namespace velmora {

namespace {

QFont headerFont(QPaintDevice *device)
{
    QFont font(QStringLiteral("DejaVu Sans"), 9);
    font.setStyleHint(QFont::SansSerif);
    return QFont(font, device);
}

void drawHeader(QPainter &painter, const QFont &font, qreal width, const QString &title, int page)
{
    const QFontMetricsF metrics(font, painter.device());
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRectF line(0, 0, width, metrics.height());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Strana %1").arg(page));
    const qreal ruleY = metrics.height() * 1.25;
    painter.setPen(QPen(Qt::black, std::max<qreal>(1.0, metrics.height() / 20)));
    painter.drawLine(QPointF(0, ruleY), QPointF(width, ruleY));
    painter.restore();
}

// Draws the lines of the laid-out document whose middle lies in [top, bottom), in document
// coordinates. Line by line rather than through the layout's own drawing with a clip: that
// also draws the line just above the clip, which a clip hides on paper but which a PDF keeps
// as hidden text, so that the last line of each page would be found and copied twice.
// `first` moves on to the first block that reaches into the page, so that all pages together
// walk the text once.
void drawPageLines(QPainter &painter, const QTextDocument &doc, QTextBlock &first, qreal top, qreal bottom)
{
    const QAbstractTextDocumentLayout *layout = doc.documentLayout();
    while (first.isValid() && layout->blockBoundingRect(first).bottom() < top)
        first = first.next();
    // Text without a colour of its own is drawn in the painter's pen: black.
    painter.setPen(Qt::black);
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if (!block.isVisible())
            continue;
        if (layout->blockBoundingRect(block).top() >= bottom)
            break;
        const QTextLayout *lines = block.layout();
        const QPointF at = lines->position();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const qreal middle = at.y() + line.y() + line.height() / 2;
            if (middle >= top && middle < bottom)
                line.draw(&painter, at);
        }
    }
}

// The resolution a text layout without a device of its own measures fonts in: the primary
// screen's logical resolution.
qreal screenDpi(Qt::Orientation orientation)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 100;
    return qRound(orientation == Qt::Horizontal ? screen->logicalDotsPerInchX()
                                                : screen->logicalDotsPerInchY());
}

} // namespace

bool printDocument(const QTextDocument &source, QPrinter &printer, const QString &title, QString *error,
                   const PrintProgress &progress)
{
    // The text is laid out again for the page in a copy of its own, so the view and its layout
    // stay as they are. The copy is laid out at the screen's resolution, as the view is, and
    // drawn scaled to the printer's: indents, tab stops and fonts keep the proportions the
    // reader sees (a layout made for the printer's resolution itself leaves the hanging indents
    // of the ayahs at their screen size in pixels, a millimetre on paper).
    std::unique_ptr<QTextDocument> doc(source.clone());
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("Štampač se ne može pokrenuti, ili se datoteka \"%1\" ne može zapisati.")
                         .arg(printer.outputFileName());
        return false;
    }
    // The printer's page margins frame the page; the text has no margin of its own there.
    QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setPadding(0);
    doc->rootFrame()->setFrameFormat(frame);

    const QFont font = headerFont(painter.device());
    const qreal headerHeight = QFontMetricsF(font, painter.device()).height() * 2.5;
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal bodyHeight = page.height() - headerHeight;
    if (page.width() <= 0 || bodyHeight <= 0) {
        painter.end();
        if (error)
            *error = QStringLiteral("Stranica je premala za štampanje.");
        return false;
    }
    const qreal scaleX = printer.logicalDpiX() / screenDpi(Qt::Horizontal);
    const qreal scaleY = printer.logicalDpiY() / screenDpi(Qt::Vertical);
    const qreal textHeight = bodyHeight / scaleY;
    doc->setPageSize(QSizeF(page.width() / scaleX, textHeight));
    const int pages = doc->pageCount();

    int from = printer.fromPage();
    int to = printer.toPage();
    if (from <= 0 && to <= 0) {
        from = 1;
        to = pages;
    }
    from = std::max(from, 1);
    to = std::min(to <= 0 ? pages : to, pages);
    if (from > to) {
        painter.end();
        if (error)
            *error = QStringLiteral("Tekst ima %1 stranica: u odabranom rasponu nema nijedne.").arg(pages);
        return false;
    }

    QTextBlock first = doc->begin();
    for (int p = from; p <= to; ++p) {
        if (p > from)
            printer.newPage();
        drawHeader(painter, font, page.width(), title, p);
        painter.save();
        painter.translate(0, headerHeight);
        painter.scale(scaleX, scaleY);
        painter.translate(0, -(p - 1) * textHeight);
        drawPageLines(painter, *doc, first, (p - 1) * textHeight, p * textHeight);
        painter.restore();
        if (progress && !progress(p - from + 1, to - from + 1))
            break;
    }
    painter.end();
    return true;
}

bool printView(RichTextView *view, QPrinter &printer, QString *error, const PrintProgress &progress)
{
    if (!view)
        return false;
    view->flushColors();
    const QTextCursor selection = view->textCursor();
    if (printer.printRange() == QPrinter::Selection && selection.hasSelection()) {
        QTextDocument part;
        part.setDefaultFont(view->document()->defaultFont());
        QTextCursor(&part).insertFragment(QTextDocumentFragment(selection));
        return printDocument(part, printer, programTitle(), error, progress);
    }
    return printDocument(*view->document(), printer, programTitle(), error, progress);
}

void printViewWithDialog(RichTextView *view, QWidget *parent)
{
    if (!view)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Velmora"));
    printer.setPageMargins(QMarginsF(20, 15, 20, 15), QPageLayout::Millimeter);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("dlgStampaj"));
    dialog.setWindowTitle(QStringLiteral("Štampanje"));
    QAbstractPrintDialog::PrintDialogOptions options =
        QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange;
    if (view->textCursor().hasSelection())
        options |= QAbstractPrintDialog::PrintSelection;
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted)
        return;

    QProgressDialog waiting(QStringLiteral("Štampanje..."), QStringLiteral("Odustani"), 0, 0, parent);
    waiting.setObjectName(QStringLiteral("dlgStampanje"));
    waiting.setWindowTitle(programTitle());
    waiting.setWindowModality(Qt::WindowModal);
    waiting.setMinimumDuration(500);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool printed = printView(view, printer, &error, [&waiting](int done, int total) {
        waiting.setMaximum(total);
        waiting.setValue(done);
        waiting.setLabelText(QStringLiteral("Štampanje: strana %1 od %2").arg(done).arg(total));
        QCoreApplication::processEvents();
        return !waiting.wasCanceled();
    });
    QApplication::restoreOverrideCursor();
    waiting.reset();
    if (!printed)
        tellReader(parent, QStringLiteral("Štampanje nije uspjelo: ") + error);
}

} // namespace velmora
