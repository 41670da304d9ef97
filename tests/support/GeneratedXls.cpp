#include "GeneratedXls.h"

#include <QFile>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <stdexcept>

namespace vrl::test {

namespace {

void put16(QByteArray &out, int value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void put32(QByteArray &out, quint32 value)
{
    put16(out, int(value & 0xFFFF));
    put16(out, int(value >> 16));
}

QByteArray record(int type, const QByteArray &data)
{
    QByteArray out;
    put16(out, type);
    put16(out, int(data.size()));
    return out + data;
}

// Characters of a BIFF8 string after its length: the flags byte (UTF-16) and the text.
QByteArray wide(const QString &text)
{
    QByteArray out(1, '\x01');
    for (const QChar c : text)
        put16(out, c.unicode());
    return out;
}

QByteArray bof(int kind)
{
    QByteArray data;
    put16(data, 0x0600);
    put16(data, kind);
    put16(data, 0x0DBB);
    put16(data, 0x07CC);
    put32(data, 0);
    put32(data, 0x06);
    return record(0x0809, data);
}

} // namespace

int GeneratedXls::addSheet(const QString &name)
{
    m_sheets.push_back({ name, -1, QByteArray() });
    return int(m_sheets.size()) - 1;
}

void GeneratedXls::addSheetSharing(const QString &name, int sheet)
{
    m_sheets.push_back({ name, sheet, QByteArray() });
}

void GeneratedXls::setText(int sheet, int row, int column, const QString &text)
{
    QByteArray data;
    put16(data, row);
    put16(data, column);
    put16(data, 0);
    put16(data, int(text.size()));
    data += wide(text);
    m_sheets[size_t(sheet)].cells += record(0x0204, data);
}

void GeneratedXls::setNumber(int sheet, int row, int column, double value)
{
    QByteArray data;
    put16(data, row);
    put16(data, column);
    put16(data, 0);
    char bytes[8];
    std::memcpy(bytes, &value, sizeof bytes);
    data += QByteArray(bytes, 8);
    m_sheets[size_t(sheet)].cells += record(0x0203, data);
}

void GeneratedXls::addName(const QString &name, const QByteArray &tokens)
{
    m_names.push_back({ name, tokens });
}

QByteArray GeneratedXls::ref3d(int entry, int row, int column, quint16 flags)
{
    QByteArray out(1, '\x3A');
    put16(out, entry);
    put16(out, row);
    put16(out, column | flags);
    return out;
}

QByteArray GeneratedXls::area3d(int entry, int firstRow, int firstColumn, int lastRow,
                                int lastColumn, quint16 firstFlags, quint16 lastFlags)
{
    QByteArray out(1, '\x3B');
    put16(out, entry);
    put16(out, firstRow);
    put16(out, lastRow);
    put16(out, firstColumn | firstFlags);
    put16(out, lastColumn | lastFlags);
    return out;
}

QByteArray GeneratedXls::memFunc(int size)
{
    QByteArray out(1, '\x29');
    put16(out, size);
    return out;
}

void GeneratedXls::save(const QString &path) const
{
    // Globals first, with the sheets' offsets filled in once their place is known.
    QByteArray globals = bof(0x0005);
    QByteArray supbook;
    put16(supbook, int(m_sheets.size()));
    put16(supbook, 0x0401);
    globals += record(0x01AE, supbook);
    QByteArray externs;
    put16(externs, int(m_sheets.size()) + 1);
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        put16(externs, 0);
        put16(externs, int(i));
        put16(externs, int(i));
    }
    put16(externs, 0);
    put16(externs, 0);
    put16(externs, int(m_sheets.size()) - 1);
    globals += record(0x0017, externs);
    std::vector<qsizetype> offsetAt;
    for (const SheetData &sheet : m_sheets) {
        QByteArray data;
        offsetAt.push_back(globals.size() + 4);
        put32(data, 0);
        data += '\0'; // visible
        data += '\0'; // worksheet
        data += char(sheet.name.size());
        data += wide(sheet.name);
        globals += record(0x0085, data);
    }
    for (const auto &[name, tokens] : m_names) {
        QByteArray data;
        put16(data, 0);
        data += '\0';
        data += char(name.size());
        put16(data, int(tokens.size()));
        put16(data, 0);
        put16(data, 0);
        data += QByteArray(4, '\0');
        data += wide(name);
        data += tokens;
        globals += record(0x0018, data);
    }
    globals += record(0x000A, QByteArray());

    QByteArray stream = globals;
    std::vector<quint32> sheetOffset(m_sheets.size());
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        if (m_sheets[i].sharesWith >= 0)
            continue;
        sheetOffset[i] = quint32(stream.size());
        stream += bof(0x0010) + m_sheets[i].cells + record(0x000A, QByteArray());
    }
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        const int data = m_sheets[i].sharesWith >= 0 ? m_sheets[i].sharesWith : int(i);
        QByteArray offset;
        put32(offset, sheetOffset[size_t(data)]);
        std::memcpy(stream.data() + offsetAt[i], offset.constData(), 4);
    }

    gsf_init();
    QFile::remove(path);
    GsfOutput *file = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!file)
        throw std::runtime_error("cannot create the test .xls");
    GsfOutfile *container = gsf_outfile_msole_new(file);
    GsfOutput *workbook = gsf_outfile_new_child(container, "Workbook", FALSE);
    gsf_output_write(workbook, size_t(stream.size()),
                     reinterpret_cast<const guint8 *>(stream.constData()));
    gsf_output_close(workbook);
    g_object_unref(workbook);
    gsf_output_close(GSF_OUTPUT(container));
    g_object_unref(container);
    g_object_unref(file);
}

} // namespace vrl::test
