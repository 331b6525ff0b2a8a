#include "Xlsx.h"

#include "output/Spreadsheet.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace xlsx {

namespace {

// Characters XML cannot hold are written "_x0001_"; "_x005F_" is the "_" itself.
QString unescaped(const QString& text) {
    static const QRegularExpression escape("_x([0-9A-Fa-f]{4})_");
    QString out;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out +=
            text.mid(from, m.capturedStart() - from) + QChar(m.captured(1).toUShort(nullptr, 16));
        from = m.capturedEnd();
    }
    return out + text.mid(from);
}

} // namespace

// "B3" for column 2, row 3.
QString ref(int column, int row) {
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

QByteArray member(const QString& file, const QString& name) {
    QProcess unzip;
    unzip.start("unzip", {"-p", file, name});
    if (!unzip.waitForFinished(60000))
        ADD_FAILURE() << "unzip did not run: " << unzip.errorString().toStdString();
    return unzip.readAllStandardOutput();
}

// A part of the file that a spreadsheet program would refuse or "repair" fails the test.
void expectWellFormed(const QXmlStreamReader& reader, const char* part) {
    if (reader.hasError())
        ADD_FAILURE() << part << " is not well-formed XML: " << reader.errorString().toStdString()
                      << " (line " << reader.lineNumber() << ")";
}

Xlsx::Xlsx(const QString& file) {
    QStringList shared;
    const QByteArray sharedPart = member(file, "xl/sharedStrings.xml");
    QXmlStreamReader strings(sharedPart);
    while (!strings.atEnd())
        if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == u"si")
            shared << unescaped(strings.readElementText(QXmlStreamReader::IncludeChildElements));
    if (!sharedPart.isEmpty()) // inline strings need no shared part
        expectWellFormed(strings, "sharedStrings.xml");

    struct Style {
        bool asText, bold;
    };
    QList<bool> fontBold;
    QList<Style> styles;
    QStringList textFormats{"49"}; // the built-in "@", or one of the file's own
    QXmlStreamReader st(member(file, "xl/styles.xml"));
    bool inCellXfs = false;
    while (!st.atEnd()) {
        st.readNext();
        if (st.isStartElement() && st.name() == u"numFmt" &&
            st.attributes().value("formatCode") == u"@")
            textFormats << st.attributes().value("numFmtId").toString();
        else if (st.isStartElement() && st.name() == u"font")
            fontBold << false;
        else if (st.isStartElement() && st.name() == u"b" && !fontBold.isEmpty())
            fontBold.last() = true;
        else if (st.name() == u"cellXfs")
            inCellXfs = st.isStartElement();
        else if (st.isStartElement() && st.name() == u"xf" && inCellXfs)
            styles << Style{textFormats.contains(st.attributes().value("numFmtId")),
                            fontBold.value(st.attributes().value("fontId").toInt())};
    }

    QXmlStreamReader wb(member(file, "xl/workbook.xml"));
    while (!wb.atEnd())
        if (wb.readNext() == QXmlStreamReader::StartElement && wb.name() == u"sheet")
            sheetName = wb.attributes().value("name").toString();

    QXmlStreamReader ws(member(file, "xl/worksheets/sheet1.xml"));
    QString cell, type, value;
    Style style{};
    while (!ws.atEnd()) {
        ws.readNext();
        if (ws.isStartElement() && ws.name() == u"col") {
            const auto a = ws.attributes();
            for (int c = a.value("min").toInt(); c <= a.value("max").toInt(); ++c)
                widths[c] = a.value("width").toDouble();
        } else if (ws.isStartElement() && ws.name() == u"c") {
            const auto a = ws.attributes();
            cell = a.value("r").toString();
            type = a.value("t").toString();
            style = styles.value(a.value("s").toInt(), Style{});
            value.clear();
        } else if (ws.isStartElement() && (ws.name() == u"v" || ws.name() == u"is")) {
            value = unescaped(ws.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (ws.isEndElement() && ws.name() == u"c") {
            const bool text = type == u"s" || type == u"inlineStr" || type == u"str";
            cells[cell] = (text ? "s:" : "n:") +
                          (type == u"s" ? shared.value(value.toInt()) : value) +
                          (style.asText ? " @" : "") + (style.bold ? " b" : "");
        }
    }
    expectWellFormed(st, "styles.xml");
    expectWellFormed(wb, "workbook.xml");
    expectWellFormed(ws, "sheet1.xml");
}

ThrowAwayHome::ThrowAwayHome() {
    savedHome_ = qgetenv("HOME");
    savedConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home_.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.path() + "/.config"));
    documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_TRUE(home_.isValid() && documents.startsWith(home_.path())) << qPrintable(documents);
    output::Spreadsheet::setDefaultOpener([this](const QString& path) {
        opened << path;
        return true;
    });
}

ThrowAwayHome::~ThrowAwayHome() {
    output::Spreadsheet::setDefaultOpener({});
    qputenv("HOME", savedHome_);
    if (savedConfig_.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig_);
}

} // namespace xlsx
