#include "common/cp932.h"

#include <QList>
#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace {

// iconv_open is costly; list walks decode hundreds of thousands of fields.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of input; each undecodable run is skipped by skipLength()
    // bytes and replaced by `replacement`.
    template <typename SkipLength>
    QByteArray convert(QByteArrayView input, QByteArrayView replacement, SkipLength skipLength) const
    {
        QByteArray out;
        out.resize(input.size() * 3 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = size_t(input.size());
        char* dst = out.data();
        size_t outLeft = size_t(out.size());
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &dst, &outLeft) != size_t(-1))
                break;
            if (errno == E2BIG)
                break; // cannot happen with the room reserved above
            const size_t skip = std::min(inLeft, skipLength(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
            for (char c : replacement) {
                *dst++ = c;
                --outLeft;
            }
        }
        iconv(cd_, nullptr, nullptr, &dst, &outLeft);
        out.resize(dst - out.data());
        return out;
    }

private:
    iconv_t cd_;
};

size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
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
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8))
        return utf8;
    thread_local const Converter encoder("CP932", "UTF-8");
    return encoder.convert(utf8, "?", utf8SequenceLength);
}

QString unencodableInCp932(QStringView text)
{
    if (toCp932(text).count('?') == text.count(u'?'))
        return {};
    QString found;
    for (const char32_t c : text.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        if (c != U'?' && toCp932(character) == "?" && !found.contains(character))
            found += character;
    }
    return found;
}

QString fromCp932(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    thread_local const Converter decoder("UTF-8", "CP932");
    return QString::fromUtf8(decoder.convert(bytes, "\xEF\xBF\xBD", [](unsigned char) { return size_t(1); }));
}

QString decodeCp932OrUtf8(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (!isAscii(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    return fromCp932(bytes);
}
