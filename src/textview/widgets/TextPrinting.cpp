#include "textview/widgets/TextPrinting.h"

#include "common/ProgramTitle.h"
#include "common/widgets/MessageBoxes.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextFrameFormat>
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

} // namespace

bool printDocument(const QTextDocument &source, QPrinter &printer, const QString &title, QString *error,
                   const PrintProgress &progress)
{
    // The text is laid out again for the printer in a copy of its own, so the view and its
    // layout stay as they are.
    std::unique_ptr<QTextDocument> doc(source.clone());
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("Štampač se ne može pokrenuti, ili se datoteka \"%1\" ne može zapisati.")
                         .arg(printer.outputFileName());
        return false;
    }
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    layout->setPaintDevice(painter.device());

    // The printer's page margins frame the page; the text has no margin of its own there.
    QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setPadding(0);
    doc->rootFrame()->setFrameFormat(frame);

    const QFont font = headerFont(painter.device());
    const qreal headerHeight = QFontMetricsF(font, painter.device()).height() * 2.0;
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal bodyHeight = page.height() - headerHeight;
    if (page.width() <= 0 || bodyHeight <= 0) {
        painter.end();
        if (error)
            *error = QStringLiteral("Stranica je premala za štampanje.");
        return false;
    }
    doc->setPageSize(QSizeF(page.width(), bodyHeight));
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

    for (int p = from; p <= to; ++p) {
        if (p > from)
            printer.newPage();
        drawHeader(painter, font, page.width(), title, p);
        painter.save();
        painter.translate(0, headerHeight - (p - 1) * bodyHeight);
        const QRectF shown(0, (p - 1) * bodyHeight, page.width(), bodyHeight);
        painter.setClipRect(shown);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = shown;
        // Text drawn in the window's own colour prints black, whatever the desktop's scheme.
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
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
    printer.setDocName(programTitle());
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
