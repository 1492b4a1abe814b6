// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp932.h"

#include <QList>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <expected>
#include <memory>

#include <cerrno>
#include <iconv.h>

namespace {

// One iconv conversion; iconv_open is costly, so each direction keeps one.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // All of a short input converted, or the errno of iconv's refusal.
    std::expected<QByteArray, int> convert(QByteArrayView input) const
    {
        char out[16];
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = size_t(input.size());
        char* dst = out;
        size_t outLeft = sizeof out;
        if (iconv(cd_, &in, &inLeft, &dst, &outLeft) == size_t(-1))
            return std::unexpected(errno);
        iconv(cd_, nullptr, nullptr, &dst, &outLeft);
        return QByteArray(out, dst - out);
    }

private:
    iconv_t cd_;
};

// Microsoft's mapping as glibc's iconv has it, asked once per byte, byte pair
// or UTF-16 unit and kept in pages of 256 filled when first needed: list walks
// convert a million fields, and iconv per field was most of their time.
class PagedTable {
public:
    using Fill = quint16 (*)(quint16);
    explicit PagedTable(Fill fill) : fill_(fill) {}

    quint16 at(quint16 key)
    {
        std::unique_ptr<Page>& page = pages_[key >> 8];
        if (!page) {
            page = std::make_unique<Page>();
            for (int low = 0; low < 256; ++low)
                (*page)[low] = fill_(quint16((key & 0xFF00) | low));
        }
        return (*page)[key & 0xFF];
    }

private:
    using Page = std::array<quint16, 256>;
    std::array<std::unique_ptr<Page>, 256> pages_{};
    Fill fill_;
};

constexpr quint16 kNoCharacter = 0xFFFF; // no code page 932 character / no UTF-16 unit
constexpr quint16 kLeadByte = 0xFFFE;    // a single byte that begins a pair
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Key: a single byte (below 0x100) or a lead byte and its trail byte.
quint16 decodedUnit(quint16 key)
{
    thread_local const Iconv decoder("UTF-16LE", "CP932");
    const char bytes[2] = {char(key >> 8), char(key & 0xFF)};
    const auto unit = key < 0x100 ? decoder.convert(QByteArrayView(bytes + 1, 1)) : decoder.convert(QByteArrayView(bytes, 2));
    if (!unit)
        return key < 0x100 && unit.error() == EINVAL ? kLeadByte : kNoCharacter;
    return unit->size() == 2 ? qFromLittleEndian<quint16>(unit->constData()) : kNoCharacter;
}

// One byte below 0x100, a pair as lead * 256 + trail.
quint16 encodedBytes(quint16 unit)
{
    thread_local const Iconv encoder("CP932", "UTF-16LE");
    if (QChar::isSurrogate(unit))
        return kNoCharacter;
    char utf16[2];
    qToLittleEndian(unit, utf16);
    const auto bytes = encoder.convert(QByteArrayView(utf16, 2));
    if (!bytes || bytes->isEmpty() || bytes->size() > 2)
        return kNoCharacter;
    // iconv writes ¥ and ‾ as \ and ~, which read back as \ and ~: they have no code.
    if (unit >= 0x80 && quint8(bytes->at(0)) < 0x80)
        return kNoCharacter;
    return bytes->size() == 1 ? quint8(bytes->at(0)) : quint16(quint8(bytes->at(0)) << 8 | quint8(bytes->at(1)));
}

PagedTable& decodeTable()
{
    thread_local PagedTable table(decodedUnit);
    return table;
}

PagedTable& encodeTable()
{
    thread_local PagedTable table(encodedBytes);
    return table;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

QByteArray toCp932(QStringView text)
{
    QByteArray bytes;
    appendCp932(bytes, text);
    return bytes;
}

void appendCp932(QByteArray& bytes, QStringView text)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size() * 2);
    char* out = bytes.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            *out++ = char(unit);
            continue;
        }
        // A character beyond the BMP is never in code page 932: one '?' for the pair.
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const quint16 code = encodeTable().at(unit);
        if (code == kNoCharacter) {
            *out++ = '?';
        } else if (code > 0xFF) {
            *out++ = char(code >> 8);
            *out++ = char(code & 0xFF);
        } else {
            *out++ = char(code);
        }
    }
    bytes.truncate(out - bytes.constData());
}

QString unencodableInCp932(QStringView text)
{
    // Asked of every cell of an import: most hold only characters the table has.
    const auto inTable = [](QChar c) {
        return c.unicode() < 0x80 || (!c.isSurrogate() && encodeTable().at(c.unicode()) != kNoCharacter);
    };
    if (std::ranges::all_of(text, inTable))
        return {};
    QString found;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView character = text.sliced(i, pair ? 2 : 1);
        if ((pair || !inTable(text[i])) && !found.contains(character))
            found += character;
        i += character.size();
    }
    return found;
}

QString fromCp932(QByteArrayView bytes)
{
    QString text;
    fromCp932(bytes, text);
    return text;
}

void fromCp932(QByteArrayView bytes, QString& text)
{
    text.resize(bytes.size());
    QChar* out = text.data();
    if (isAscii(bytes)) {
        for (const char c : bytes)
            *out++ = QLatin1Char(c);
        return;
    }
    PagedTable& table = decodeTable();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 byte = quint8(bytes[i]);
        if (byte < 0x80) {
            *out++ = QLatin1Char(char(byte));
            continue;
        }
        quint16 unit = table.at(byte);
        if (unit == kLeadByte) {
            unit = i + 1 < bytes.size() ? table.at(quint16(byte << 8 | quint8(bytes[i + 1]))) : kNoCharacter;
            if (unit != kNoCharacter)
                ++i;
        }
        *out++ = QChar(unit == kNoCharacter ? char16_t(0xFFFD) : char16_t(unit));
    }
    text.truncate(out - text.constData());
}

QString decodeCp932OrUtf8(QByteArrayView bytes)
{
    if (!isAscii(bytes) && !bytes.startsWith(kUtf8Bom) && bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return decodeCp932UnlessBom(bytes);
}

QString decodeCp932UnlessBom(QByteArrayView bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.sliced(3));
    return fromCp932(bytes);
}
