// korvane-make-manual: renders the user manual of korvane-admin, a Markdown text in UTF-8, into the
// PDF that the program opens from its own directory.
//
//   korvane-make-manual SOURCE.md OUTPUT.pdf
//
// It runs on Qt's "offscreen" platform, so the build needs no display. The manual's first heading
// is its title (in the PDF's properties and the footer). The text, Japanese or English, is set in
// "Noto Sans CJK JP" (Debian package fonts-noto-cjk), which holds both scripts; when that family is
// missing, or a character of the text has no glyph in the font it is set in, the tool fails rather
// than write a manual whose text could come out as empty boxes.
#include <cstdio>

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

const QString kBodyFamily = QStringLiteral("Noto Sans CJK JP");
const QString kCodeFamily = QStringLiteral("Noto Sans Mono CJK JP");
constexpr qreal kBodyPointSize = 9.5;
constexpr qreal kFooterPointSize = 8.0;
const QColor kHeadingColor(0x1F, 0x4E, 0x79);
const QColor kRuleColor(0x9D, 0xB4, 0xCC);
const QColor kTableHeaderColor(0xDD, 0xEB, 0xF7);
const QColor kCodeBackground(0xF2, 0xF5, 0xF8);

void Fail(const QString& message) {
    std::fprintf(stderr, "korvane-make-manual: %s\n", qPrintable(message));
}

bool HasJapaneseFamily(const QString& family) {
    return QFontDatabase::families(QFontDatabase::Japanese).contains(family);
}

// Lengths of text formats are in pixels of 96 dots per inch, whatever the paint device.
constexpr qreal Points(qreal points) {
    return points * 96.0 / 72.0;
}

// A line of a fenced or indented code block (not a paragraph that merely starts with inline code).
bool IsCodeBlock(const QTextBlock& block) {
    if (!block.isValid()) {
        return false;
    }
    const QTextBlockFormat format = block.blockFormat();
    return format.hasProperty(QTextFormat::BlockCodeFence) ||
           format.hasProperty(QTextFormat::BlockCodeLanguage) || format.nonBreakableLines();
}

// The Markdown importer gives headings, code and tables plain formats; this sets the manual's look.
void StyleBlocks(QTextDocument& document, const QString& codeFamily) {
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        QTextBlockFormat blockFormat = block.blockFormat();
        const int level = blockFormat.headingLevel();
        const bool code = IsCodeBlock(block);
        if (level > 0) {
            blockFormat.setTopMargin(Points(level == 1 ? 0 : 9));
            blockFormat.setBottomMargin(Points(level == 1 ? 8 : 3));
            cursor.setBlockFormat(blockFormat);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            QTextCharFormat charFormat;
            charFormat.setForeground(kHeadingColor);
            charFormat.setFontWeight(QFont::Bold);
            charFormat.setFontPointSize(level == 1 ? 18 : 12);
            cursor.mergeCharFormat(charFormat);
        } else if (code) {
            blockFormat.setBackground(kCodeBackground);
            blockFormat.setLeftMargin(Points(6));
            // Space above the first line of a code block and below its last one only.
            blockFormat.setTopMargin(IsCodeBlock(block.previous()) ? 0 : Points(2));
            blockFormat.setBottomMargin(IsCodeBlock(block.next()) ? 0 : Points(6));
            cursor.setBlockFormat(blockFormat);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            QTextCharFormat charFormat;
            charFormat.setFontFamilies({codeFamily});
            charFormat.setFontPointSize(kBodyPointSize - 1);
            cursor.mergeCharFormat(charFormat);
        } else {
            // Paragraphs and list items; the text of a table cell needs no space of its own.
            const bool inTable = cursor.currentTable() != nullptr;
            blockFormat.setTopMargin(0);
            blockFormat.setBottomMargin(inTable ? 0 : Points(4));
            blockFormat.setLineHeight(inTable ? 115 : 125, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(blockFormat);
        }
    }
    // Inline code spans inside ordinary paragraphs.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().fontFixedPitch()) {
                continue;
            }
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat charFormat;
            charFormat.setFontFamilies({codeFamily});
            cursor.mergeCharFormat(charFormat);
        }
    }
}

void StyleTables(QTextDocument& document) {
    const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table) {
            continue;
        }
        QTextTableFormat format = table->format();
        format.setBorder(0);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(Points(3));
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        if (table->columns() == 2) {
            format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 30),
                                              QTextLength(QTextLength::PercentageLength, 70)});
        }
        format.setHeaderRowCount(1);
        format.setTopMargin(Points(2));
        format.setBottomMargin(Points(6));
        table->setFormat(format);
        // Rules between the rows only; the header row on a tinted background.
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                cellFormat.setBottomBorder(row == 0 ? 1.5 : 0.75);
                cellFormat.setBottomBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                cellFormat.setBottomBorderBrush(row == 0 ? kHeadingColor : kRuleColor);
                if (row == 0) {
                    cellFormat.setBackground(kTableHeaderColor);
                    cellFormat.setFontWeight(QFont::Bold);
                }
                cell.setFormat(cellFormat);
            }
        }
    }
}

// The text of the first top-level heading; empty when there is none.
QString TitleOf(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1) {
            return block.text().trimmed();
        }
    }
    return QString();
}

// The characters that have no glyph in the font they are set in, each once, as "X (U+XXXX)".
// Qt would draw them from some other font, or as empty boxes where no font has them.
QStringList MissingGlyphs(const QTextDocument& document) {
    QStringList missing;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QRawFont font =
                QRawFont::fromFont(fragment.charFormat().font().resolve(document.defaultFont()));
            for (const char32_t c : fragment.text().toUcs4()) {
                if (!QChar::isPrint(c) || QChar::isSpace(c) || font.supportsCharacter(c)) {
                    continue;
                }
                const QString entry =
                    QStringLiteral("%1 (U+%2)")
                        .arg(QString::fromUcs4(&c, 1),
                             QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, '0'));
                if (!missing.contains(entry)) {
                    missing << entry;
                }
            }
        }
    }
    return missing;
}

// Lays the document out on A4 pages with a footer (title and page number) and writes the PDF.
bool WritePdf(QTextDocument& document, const QString& title, const QString& path) {
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("KORVANE Admin korvane-make-manual"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 16, 20, 12), QPageLayout::Millimeter));

    QPainter painter;
    if (!painter.begin(&writer)) {
        Fail(QStringLiteral("cannot write %1").arg(path));
        return false;
    }
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    layout->setPaintDevice(&writer);
    // The document outlives the writer: it must not keep pointing at it.
    struct PaintDeviceReset {
        QAbstractTextDocumentLayout* layout;
        ~PaintDeviceReset() { layout->setPaintDevice(nullptr); }
    } paintDeviceReset{layout};

    QFont footerFont(kBodyFamily);
    footerFont.setPointSizeF(kFooterPointSize);
    const QFontMetricsF footerMetrics(footerFont, &writer);
    const QRectF paintRect(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
    const qreal footerHeight = footerMetrics.height() * 2.5;
    const qreal bodyHeight = paintRect.height() - footerHeight;
    document.setPageSize(QSizeF(paintRect.width(), bodyHeight));

    const int pageCount = document.pageCount();
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0 && !writer.newPage()) {
            Fail(QStringLiteral("cannot start page %1 of %2").arg(page + 1).arg(path));
            return false;
        }
        painter.save();
        painter.translate(0, -page * bodyHeight);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, page * bodyHeight, paintRect.width(), bodyHeight);
        // The layout draws every block that reaches into the page whole; the clip keeps the lines
        // that belong to the neighbouring pages off this one.
        painter.setClipRect(context.clip);
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.restore();

        const QRectF footer(0, bodyHeight, paintRect.width(), footerHeight);
        painter.setPen(QPen(kRuleColor, 0));
        painter.drawLine(QPointF(footer.left(), footer.top() + footerMetrics.height() * 0.5),
                         QPointF(footer.right(), footer.top() + footerMetrics.height() * 0.5));
        painter.setPen(kHeadingColor);
        painter.setFont(footerFont);
        const QRectF footerText = footer.adjusted(0, footerMetrics.height(), 0, 0);
        painter.drawText(footerText, Qt::AlignLeft | Qt::AlignTop, title);
        painter.drawText(footerText, Qt::AlignRight | Qt::AlignTop,
                         QStringLiteral("%1 / %2").arg(page + 1).arg(pageCount));
    }
    if (!painter.end()) {
        Fail(QStringLiteral("cannot finish %1").arg(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // No display is needed or wanted: set before the application object reads it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 3) {
        Fail(QStringLiteral("usage: korvane-make-manual SOURCE.md OUTPUT.pdf"));
        return 2;
    }
    const QString sourcePath = arguments.at(1);
    const QString outputPath = arguments.at(2);

    // A FIFO or device as the source would hold the build for ever.
    if (const QFileInfo info(sourcePath); info.exists() && !info.isFile()) {
        Fail(QStringLiteral("%1 is not a regular file").arg(sourcePath));
        return 1;
    }
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("cannot read %1: %2").arg(sourcePath, source.errorString()));
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());
    if (markdown.trimmed().isEmpty()) {
        Fail(QStringLiteral("%1 is empty").arg(sourcePath));
        return 1;
    }

    if (!HasJapaneseFamily(kBodyFamily)) {
        Fail(QStringLiteral("the font family \"%1\" with Japanese glyphs is not installed "
                            "(Debian package fonts-noto-cjk)")
                 .arg(kBodyFamily));
        return 1;
    }
    const QString codeFamily = HasJapaneseFamily(kCodeFamily) ? kCodeFamily : kBodyFamily;

    QTextDocument document;
    QFont bodyFont(kBodyFamily);
    bodyFont.setPointSizeF(kBodyPointSize);
    document.setDefaultFont(bodyFont);
    document.setDocumentMargin(0);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    StyleBlocks(document, codeFamily);
    StyleTables(document);
    const QString title = TitleOf(document);
    if (title.isEmpty()) {
        Fail(QStringLiteral("%1 has no title (a first-level heading)").arg(sourcePath));
        return 1;
    }
    if (const QStringList missing = MissingGlyphs(document); !missing.isEmpty()) {
        Fail(QStringLiteral("%1: the fonts have no glyph for %2")
                 .arg(sourcePath, missing.join(QStringLiteral(", "))));
        return 1;
    }

    if (!QDir().mkpath(QFileInfo(outputPath).absolutePath())) {
        Fail(QStringLiteral("cannot create the directory of %1").arg(outputPath));
        return 1;
    }
    // Written beside the output and renamed when complete, so that a failed run never leaves a
    // half-written PDF that the build would take as up to date.
    const QString partPath = outputPath + QStringLiteral(".part");
    if (!WritePdf(document, title, partPath)) {
        QFile::remove(partPath);
        return 1;
    }
    QFile::remove(outputPath);
    if (!QFile::rename(partPath, outputPath)) {
        Fail(QStringLiteral("cannot rename %1 to %2").arg(partPath, outputPath));
        QFile::remove(partPath);
        return 1;
    }
    return 0;
}
