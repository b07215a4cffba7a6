#include "VqSimOptionsJson.h"

#include <QJsonArray>

#include <utility>

namespace {

using O = VqSimOptions;
const std::pair<const char *, int O::*> Numbers[] = {{"bootMs", &O::bootMs},
                                                     {"preambleMs", &O::preambleMs},
                                                     {"level", &O::level},
                                                     {"newLevel", &O::newLevel},
                                                     {"startMs", &O::startMs},
                                                     {"nakAt", &O::nakAt},
                                                     {"earlyEAt", &O::earlyEAt},
                                                     {"dropAt", &O::dropAt},
                                                     {"silentAt", &O::silentAt},
                                                     {"wrongAckAt", &O::wrongAckAt},
                                                     {"replyDelayMs", &O::replyDelayMs},
                                                     {"baud", &O::baud}};
const std::pair<const char *, bool O::*> Flags[] = {{"inLoader", &O::inLoader},
                                                    {"longF0000", &O::longF0000},
                                                    {"refuseName", &O::refuseName},
                                                    {"silent", &O::silent},
                                                    {"noAck", &O::noAck},
                                                    {"noId", &O::noId},
                                                    {"noS", &O::noS},
                                                    {"noAAfterY", &O::noAAfterY},
                                                    {"verbose", &O::verbose},
                                                    {"timeline", &O::timeline},
                                                    {"once", &O::once}};
const std::pair<const char *, QByteArray O::*> Texts[] = {
    {"ident", &O::ident},   {"preamble", &O::preamble}, {"version", &O::version},
    {"fwName", &O::fwName}, {"yAnswer", &O::yAnswer},   {"wrongAck", &O::wrongAck}};
const std::pair<const char *, std::optional<QByteArray> O::*> OptionalTexts[] = {
    {"longAnswer", &O::longAnswer}, {"idText", &O::idText}};
const std::pair<const char *, QString O::*> Files[] = {{"imageFile", &O::imageFile},
                                                       {"captureFile", &O::captureFile}};

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

// The bytes of a hexadecimal text; nothing when it is not one.
std::optional<QByteArray> bytesOf(const QJsonValue &value)
{
    const QString text = value.toString();
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    if (!value.isString() || bytes.toHex() != text.toLower().toLatin1())
        return std::nullopt;
    return bytes;
}

} // namespace

QJsonObject toJson(const VqSimOptions &o)
{
    QJsonObject json;
    for (const auto &[key, member] : Numbers)
        json[QLatin1String(key)] = o.*member;
    for (const auto &[key, member] : Flags)
        json[QLatin1String(key)] = o.*member;
    for (const auto &[key, member] : Texts)
        json[QLatin1String(key)] = hex(o.*member);
    for (const auto &[key, member] : OptionalTexts) {
        if (o.*member)
            json[QLatin1String(key)] = hex(*(o.*member));
    }
    for (const auto &[key, member] : Files)
        json[QLatin1String(key)] = o.*member;
    json[QLatin1String("size")] = double(o.size);
    QJsonArray script;
    for (const VqSimOptions::Piece &piece : o.script)
        script.append(QJsonArray{piece.pauseMs, hex(piece.bytes)});
    json[QLatin1String("script")] = script;
    return json;
}

bool fromJson(const QJsonObject &json, VqSimOptions *o, QString *error)
{
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QByteArray key = it.key().toLatin1();
        const QJsonValue v = it.value();
        bool known = false, ok = false;
        for (const auto &[name, member] : Numbers) {
            if (key == name) {
                known = true;
                ok = v.isDouble() && v.toDouble() == v.toInt();
                o->*member = v.toInt();
            }
        }
        for (const auto &[name, member] : Flags) {
            if (key == name) {
                known = true;
                ok = v.isBool();
                o->*member = v.toBool();
            }
        }
        for (const auto &[name, member] : Texts) {
            if (key == name) {
                known = true;
                const std::optional<QByteArray> bytes = bytesOf(v);
                ok = bool(bytes);
                o->*member = bytes.value_or(QByteArray());
            }
        }
        for (const auto &[name, member] : OptionalTexts) {
            if (key == name) {
                known = true;
                o->*member = bytesOf(v);
                ok = bool(o->*member);
            }
        }
        for (const auto &[name, member] : Files) {
            if (key == name) {
                known = true;
                ok = v.isString();
                o->*member = v.toString();
            }
        }
        if (key == "size") {
            known = true;
            ok = v.isDouble();
            o->size = qint64(v.toDouble());
        } else if (key == "script") {
            known = true;
            ok = v.isArray();
            for (const QJsonValue &piece : v.toArray()) {
                const std::optional<QByteArray> bytes = bytesOf(piece.toArray().at(1));
                ok = ok && piece.toArray().at(0).isDouble() && bytes;
                o->script.append({piece.toArray().at(0).toInt(), bytes.value_or(QByteArray())});
            }
        }
        if (!known || !ok) {
            *error = known ? QStringLiteral("\"%1\" has a value of the wrong kind").arg(it.key())
                           : QStringLiteral("\"%1\" is not an option of the unit").arg(it.key());
            return false;
        }
    }
    return true;
}
