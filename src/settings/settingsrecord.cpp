#include "settings/settingsrecord.h"

#include "base/cp932.h"
#include "base/rawbytes.h"

#include <array>
#include <cmath>
#include <limits>
#include <variant>

namespace {

using Field = SettingsRecord::Field;

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView kTrue("#TRUE#");
constexpr QByteArrayView kFalse("#FALSE#");

// Where each field lives in the record, in file order; reading and writing both walk it.
using Slot = std::variant<qint32 SettingsRecord::*, qint16 SettingsRecord::*,
                          bool SettingsRecord::*, QString SettingsRecord::*>;
const std::array<Slot, SettingsRecord::kFieldCount> kSlots = {
    &SettingsRecord::Form1Left,     &SettingsRecord::Form1Top,     &SettingsRecord::frmSetLeft,
    &SettingsRecord::frmSetTop,     &SettingsRecord::SignFolder,   &SettingsRecord::SpareText,
    &SettingsRecord::SpareNumber1,  &SettingsRecord::SpareNumber2, &SettingsRecord::KanbanPicPath,
    &SettingsRecord::PicKanbanLeft, &SettingsRecord::PicKanbanTop, &SettingsRecord::MnuViewKanban,
    &SettingsRecord::MnuViewWaku,   &SettingsRecord::HScroll1,     &SettingsRecord::HScroll2,
    &SettingsRecord::MidDoorMode,
};

enum class TextForm
{
    Cp932,
    Utf8
};

struct RawField
{
    QByteArrayView text; // between the quotes, or up to the field's end less trailing spaces
    bool quoted = false;
    qsizetype offset = 0;
};

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Takes the record's fields one after the other; it never reads past the end of the bytes.
class FieldReader
{
public:
    FieldReader(QByteArrayView bytes, qsizetype start, TextForm form)
        : m_bytes(bytes), m_pos(start), m_form(form)
    {
    }

    std::optional<RawField> next()
    {
        skipSpaces();
        m_fieldStart = m_pos;
        if (m_pos == m_bytes.size()) {
            m_error = QStringLiteral("the record ends before this field");
            return std::nullopt;
        }
        RawField field;
        field.offset = m_pos;
        if (m_bytes[m_pos] == '"') {
            const qsizetype close = closingQuote(m_pos + 1);
            if (close < 0) {
                m_error = QStringLiteral("the quoted text has no closing quote");
                return std::nullopt;
            }
            field.text = m_bytes.sliced(m_pos + 1, close - m_pos - 1);
            field.quoted = true;
            m_pos = close + 1;
            skipSpaces();
            if (m_pos < m_bytes.size() && !endsField(m_bytes[m_pos])) {
                m_error = QStringLiteral("text follows the closing quote");
                return std::nullopt;
            }
        } else {
            qsizetype end = m_pos;
            while (end < m_bytes.size() && !endsField(m_bytes[end]))
                ++end;
            qsizetype last = end;
            while (last > m_pos && m_bytes[last - 1] == ' ')
                --last;
            field.text = m_bytes.sliced(m_pos, last - m_pos);
            m_pos = end;
        }
        skipFieldEnd();
        return field;
    }

    qsizetype fieldStart() const { return m_fieldStart; }
    const QString &error() const { return m_error; }

private:
    void skipSpaces()
    {
        while (m_pos < m_bytes.size() && m_bytes[m_pos] == ' ')
            ++m_pos;
    }

    // The field's end is one ",", one line end (CR LF, CR or LF), or the end of the bytes.
    void skipFieldEnd()
    {
        if (m_pos == m_bytes.size())
            return;
        const char c = m_bytes[m_pos++];
        if (c == '\r' && m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
            ++m_pos;
    }

    // CP932 text has no way to hold a quote: the next one closes. In UTF-8 files a doubled
    // quote stands for one.
    qsizetype closingQuote(qsizetype from) const
    {
        for (qsizetype i = from; i < m_bytes.size(); ++i) {
            if (m_bytes[i] != '"')
                continue;
            if (m_form == TextForm::Utf8 && i + 1 < m_bytes.size() && m_bytes[i + 1] == '"') {
                ++i;
                continue;
            }
            return i;
        }
        return -1;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    qsizetype m_fieldStart = 0;
    TextForm m_form;
    QString m_error;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal number with an optional sign, fraction and exponent. The grammar is checked here
// so that the conversion below sees nothing else ("nan", "inf", hex, inner spaces).
std::optional<double> toNumber(QByteArrayView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    const qsizetype mantissa = i;
    int digits = 0;
    for (; i < n && isDigit(text[i]); ++i)
        ++digits;
    if (i < n && text[i] == '.')
        for (++i; i < n && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        const qsizetype exponent = i;
        while (i < n && isDigit(text[i]))
            ++i;
        if (i == exponent)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    double value = text.sliced(mantissa).toByteArray().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return text[0] == '-' ? -value : value;
}

QString decodeText(const RawField &field, TextForm form)
{
    if (form == TextForm::Cp932)
        return cp932::decodeLossless(field.text);
    QByteArray bytes = field.text.toByteArray();
    if (field.quoted)
        bytes.replace("\"\"", "\"");
    return rawbytes::fromUtf8(bytes);
}

// A string read from an unquoted field of a CP932 file may hold a quote, which CP932 files
// cannot put between quotes; it is written as it was read, unquoted, so that it reads back so.
bool readsUnquoted(const QString &text)
{
    return !text.isEmpty() && text.front() != u' ' && text.front() != u'"' && text.back() != u' ' &&
           !text.contains(u',') && !text.contains(u'\r') && !text.contains(u'\n');
}

// The field's bytes, quotes included.
QByteArray encodeText(const QString &text, TextForm form)
{
    if (form == TextForm::Utf8)
        return '"' + rawbytes::toUtf8(text).replace("\"", "\"\"") + '"';
    const auto encoded = cp932::encodeLossless(text);
    const QByteArray bytes = encoded ? *encoded : QByteArray();
    return text.contains(u'"') ? bytes : '"' + bytes + '"';
}

// CP932 serves a string when its bytes decode to the same string again and it holds no quote,
// which CP932 files cannot tell from the field's end, unless it can stand unquoted.
bool fitsCp932(const QString &text, bool unquotedToo)
{
    return (!text.contains(u'"') || (unquotedToo && readsUnquoted(text))) &&
           cp932::encodeLossless(text).ok();
}

// UTF-8 serves a string unless it keeps bytes that would read back as a character (bytes a
// CP932 file did not read as one).
bool fitsUtf8(const QString &text)
{
    return rawbytes::fromUtf8(rawbytes::toUtf8(text)) == text;
}

// CP932 with every string quoted, as the file is meant to be; else UTF-8; else (the text of a
// CP932 file that held quotes and bytes UTF-8 would misread) CP932 as it was read.
TextForm formFor(const SettingsRecord &r, bool keepUtf8)
{
    const auto all = [&r](auto fits) {
        return fits(r.SignFolder) && fits(r.SpareText) && fits(r.KanbanPicPath);
    };
    if (!keepUtf8 && all([](const QString &text) { return fitsCp932(text, false); }))
        return TextForm::Cp932;
    if (all(fitsUtf8) || !all([](const QString &text) { return fitsCp932(text, true); }))
        return TextForm::Utf8;
    return TextForm::Cp932;
}

// Stores one field into its slot; the reason when it is not of the slot's type.
Status store(SettingsRecord &record, const Slot &slot, const RawField &field, TextForm form)
{
    if (auto text = std::get_if<QString SettingsRecord::*>(&slot)) {
        record.*(*text) = decodeText(field, form);
        return Done{};
    }
    if (auto flag = std::get_if<bool SettingsRecord::*>(&slot)) {
        if (!field.quoted && (field.text == kTrue || field.text == kFalse)) {
            record.*(*flag) = field.text == kTrue;
            return Done{};
        }
        return Error{QStringLiteral("#TRUE# or #FALSE# expected")};
    }
    const auto number = field.quoted ? std::nullopt : toNumber(field.text);
    if (!number)
        return Error{QStringLiteral("a number expected")};
    const auto whole = SettingsRecord::roundToInt32(*number);
    if (!whole)
        return Error{QStringLiteral("the number does not fit 32 bits")};
    if (auto wide = std::get_if<qint32 SettingsRecord::*>(&slot)) {
        record.*(*wide) = *whole;
        return Done{};
    }
    if (*whole < std::numeric_limits<qint16>::min() || *whole > std::numeric_limits<qint16>::max())
        return Error{QStringLiteral("the number does not fit 16 bits")};
    record.*std::get<qint16 SettingsRecord::*>(slot) = qint16(*whole);
    return Done{};
}

Error failure(int field, qsizetype offset, const QString &reason)
{
    return Error{QStringLiteral("settings record, field %1 at offset %2: %3")
                     .arg(field)
                     .arg(offset)
                     .arg(reason),
                 offset, field};
}

} // namespace

std::optional<qint32> SettingsRecord::roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole < double(std::numeric_limits<qint32>::min()) ||
        whole > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(whole);
}

bool SettingsRecord::needsUtf8() const
{
    return formFor(*this, false) == TextForm::Utf8;
}

QByteArray SettingsRecord::format(bool keepUtf8) const
{
    const TextForm form = formFor(*this, keepUtf8);
    QByteArray out;
    if (form == TextForm::Utf8)
        out.append(kUtf8Bom);
    for (const Slot &slot : kSlots) {
        if (&slot != &kSlots.front())
            out += ',';
        std::visit(
            [&](auto member) {
                const auto &value = this->*member;
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, QString>)
                    out += encodeText(value, form);
                else if constexpr (std::is_same_v<T, bool>)
                    out.append(value ? kTrue : kFalse);
                else
                    out += QByteArray::number(value);
            },
            slot);
    }
    out += "\r\n";
    return out;
}

Status SettingsRecord::parse(QByteArrayView bytes, SettingsRead &read)
{
    read = SettingsRead{};
    const TextForm form = bytes.startsWith(kUtf8Bom) ? TextForm::Utf8 : TextForm::Cp932;
    read.utf8 = form == TextForm::Utf8;
    FieldReader reader(bytes, form == TextForm::Utf8 ? kUtf8Bom.size() : 0, form);
    std::array<qsizetype, kFieldCount> offsets{};
    for (int i = 0; i < kFieldCount; ++i) {
        const auto field = reader.next();
        if (!field)
            return failure(i + 1, reader.fieldStart(), reader.error());
        if (Status stored = store(read.record, kSlots[i], *field, form); !stored)
            return failure(i + 1, field->offset, stored.error().message);
        offsets[i] = field->offset;
        read.fieldsRead = i + 1;
    }
    // In the order the loader applies them: both speeds, then the option.
    const SettingsRecord &r = read.record;
    const auto outOfRange = [&](Field field, const QString &reason) {
        const int n = int(field);
        return failure(n, offsets[n - 1], reason);
    };
    const auto speedReason = [](qint32 speed) {
        return QStringLiteral("the speed %1 lies outside %2..%3")
            .arg(speed)
            .arg(kMinSpeed)
            .arg(kMaxSpeed);
    };
    if (r.HScroll1 < kMinSpeed || r.HScroll1 > kMaxSpeed)
        return outOfRange(Field::HScroll1, speedReason(r.HScroll1));
    if (r.HScroll2 < kMinSpeed || r.HScroll2 > kMaxSpeed)
        return outOfRange(Field::HScroll2, speedReason(r.HScroll2));
    if (r.MidDoorMode < 0 || r.MidDoorMode >= kOptionCount)
        return outOfRange(Field::MidDoorMode,
                          QStringLiteral("there is no option %1").arg(r.MidDoorMode));
    return Done{};
}
