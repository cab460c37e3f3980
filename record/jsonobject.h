#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <chrono>

// A duration to the microsecond, rounded half away from zero, as the record writes durations.
inline qint64 microsecondsRounded(std::chrono::nanoseconds duration) {
    const qint64 ns = duration.count();
    return (ns < 0 ? ns - 500 : ns + 500) / 1000;
}

// A JSON object built field by field, in the order the fields are added (Qt's own JSON types
// sort the keys). Keys are the caller's fixed ASCII names; texts may hold any character.
class JsonObject {
public:
    // Room for a line of the record, which then grows once at most.
    JsonObject() { m_fields.reserve(256); }
    JsonObject &number(const char *key, qint64 value);
    // The shortest text that reads back as value; null when it is not finite.
    JsonObject &decimal(const char *key, double value);
    JsonObject &text(const char *key, const QString &value);
    JsonObject &flag(const char *key, bool value);
    JsonObject &null(const char *key);
    // A duration in milliseconds with three decimals: to the microsecond, rounded half away
    // from zero.
    JsonObject &milliseconds(const char *key, std::chrono::nanoseconds value);
    JsonObject &array(const char *key, const QList<JsonObject> &values);

    // The object as JSON text on one line.
    QByteArray json() const;

private:
    JsonObject &field(const char *key, const QByteArray &value);

    QByteArray m_fields;
};
