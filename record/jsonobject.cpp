#include "record/jsonobject.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace {
// A JSON string: UTF-8, with the quote, the backslash and the control characters escaped.
QByteArray quoted(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray json;
    json.reserve(utf8.size() + 2);
    json += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            json += "\\u00";
            json += "0123456789abcdef"[byte >> 4];
            json += "0123456789abcdef"[byte & 0xf];
        } else {
            json += c;
        }
    }
    json += '"';
    return json;
}
} // namespace

JsonObject &JsonObject::field(const char *key, const QByteArray &value) {
    if (!m_fields.isEmpty())
        m_fields += ',';
    m_fields += '"';
    m_fields += key;
    m_fields += "\":";
    m_fields += value;
    return *this;
}

JsonObject &JsonObject::number(const char *key, qint64 value) {
    return field(key, QByteArray::number(value));
}

JsonObject &JsonObject::decimal(const char *key, double value) {
    if (!std::isfinite(value))
        return null(key);
    return field(key, QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
}

JsonObject &JsonObject::text(const char *key, const QString &value) {
    return field(key, quoted(value));
}

JsonObject &JsonObject::flag(const char *key, bool value) {
    return field(key, value ? QByteArrayLiteral("true") : QByteArrayLiteral("false"));
}

JsonObject &JsonObject::null(const char *key) {
    return field(key, QByteArrayLiteral("null"));
}

JsonObject &JsonObject::milliseconds(const char *key, std::chrono::nanoseconds value) {
    const qint64 us = microsecondsRounded(value);
    QByteArray text = us < 0 ? QByteArrayLiteral("-") : QByteArray();
    text += QByteArray::number(std::llabs(us) / 1000);
    text += '.';
    text += QByteArray::number(std::llabs(us) % 1000).rightJustified(3, '0');
    return field(key, text);
}

JsonObject &JsonObject::array(const char *key, const QList<JsonObject> &values) {
    QByteArray json = "[";
    for (const JsonObject &value : values) {
        if (json.size() > 1)
            json += ',';
        json += value.json();
    }
    json += ']';
    return field(key, json);
}

QByteArray JsonObject::json() const {
    return '{' + m_fields + '}';
}
