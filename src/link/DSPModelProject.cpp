// Project files (every parameter as JSON) and the remembered designed FIR.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

#include "link/DSPModel.h"
#include "link/ParamTableJson.h"
#include "link/ParamWords.h"
#include "platform/Settings.h"
#include "platform/UserFile.h"

namespace {

const QString designedFIRKey = QStringLiteral("firDesigner.lastResult");
constexpr uint32_t firNameFirst = 403;
constexpr uint32_t firNameLast = 414;

bool isWholeNumber(const QJsonValue& value) {
    return value.isDouble() && std::floor(value.toDouble()) == value.toDouble() &&
           std::abs(value.toDouble()) <= 2147483647.0;
}

}  // namespace

std::optional<QString> DSPModel::wordsProblem(quint32 number, const Words& words) {
    return paramwords::problem(number, words);
}

int DSPModel::invalidCount() const {
    return int(std::count_if(params_.keyValueBegin(), params_.keyValueEnd(), [](const auto& entry) {
        return wordsProblem(entry.first, entry.second).has_value();
    }));
}

QByteArray DSPModel::projectData(const QString& model) const {
    QJsonObject table;
    // What a device reported can be what no project may hold; saved, it would make Open
    // refuse the whole file, so it is left out like a setting never read.
    for (auto it = params_.constBegin(); it != params_.constEnd(); ++it)
        if (!wordsProblem(it.key(), it.value()))
            table.insert(QString::number(it.key()), paramjson::wordsToJson(it.value()));
    QDateTime created = QDateTime::currentDateTimeUtc();
    created.setTime(QTime(created.time().hour(), created.time().minute(), created.time().second()));
    // QJsonObject keeps its keys sorted, so the document comes out with sorted keys.
    const QJsonObject project{{"format", projectFormat},
                              {"version", 1},
                              {"model", model},
                              {"created", created.toString(Qt::ISODate)},
                              {"params", table}};
    return QJsonDocument(project).toJson(QJsonDocument::Indented);
}

std::optional<DSPModel::Project> DSPModel::decodeProject(const QByteArray& bytes, QString* error) {
    auto fail = [error](const QString& text) -> std::optional<Project> {
        if (error) *error = text;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("The file is not valid JSON (%1).").arg(parseError.errorString()));
    if (!document.isObject())
        return fail(QStringLiteral("The file is not a project: it holds no JSON object."));
    const QJsonObject object = document.object();
    const auto missing = [](const QString& key) {
        return QStringLiteral("The file is not a project: \"%1\" is missing or has the wrong type.").arg(key);
    };
    Project project;
    if (!object.value("format").isString()) return fail(missing("format"));
    project.format = object.value("format").toString();
    if (!isWholeNumber(object.value("version"))) return fail(missing("version"));
    project.version = object.value("version").toInt();
    if (!object.value("model").isString()) return fail(missing("model"));
    project.model = object.value("model").toString();
    project.created = QDateTime::fromString(object.value("created").toString(), Qt::ISODate);
    if (!object.value("created").isString() || !project.created.isValid()) return fail(missing("created"));
    if (!object.value("params").isObject()) return fail(missing("params"));
    const QJsonObject table = object.value("params").toObject();
    for (auto it = table.begin(); it != table.end(); ++it) {
        // A word list that is not one fails the whole file: half a project must never
        // reach the device. A key that names no parameter is only skipped.
        const auto words = paramjson::wordsFromJson(it.value());
        if (!words)
            return fail(QStringLiteral("Parameter \"%1\" holds something other than whole numbers from 0 "
                                       "to 4294967295.")
                            .arg(it.key()));
        const auto number = paramjson::parseParameterKey(it.key());
        if (!number) continue;
        if (const auto problem = wordsProblem(*number, *words)) return fail(*problem);
        project.params.insert(*number, *words);
    }
    return project;
}

bool DSPModel::projectLoads(quint32 number) {
    static const QSet<quint32> allowed(ParamMap::allParameters().begin(), ParamMap::allParameters().end());
    // FIR names describe the coefficients in the device's FIR blocks, which a project does
    // not hold: written from a file they would make the device's names lie. They are
    // still saved, so files keep their shape.
    const bool firName = number >= firNameFirst && number <= firNameLast;
    return number != meterParameter && !firName && allowed.contains(number);
}

std::optional<QString> DSPModel::loadProject(const QByteArray& bytes) {
    QString error;
    const std::optional<Project> project = decodeProject(bytes, &error);
    if (!project) return error;
    // Every member was checked while decoding, so from here on all of them are written.
    for (auto it = project->params.constBegin(); it != project->params.constEnd(); ++it)
        if (projectLoads(it.key())) write(it.key(), it.value(), std::nullopt, false);
    return std::nullopt;
}

std::optional<QString> DSPModel::saveProject(const QString& path, const QString& model) const {
    // Written through a temporary file and renamed, so a failed save leaves the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Couldn't save \"%1\": %2").arg(path, file.errorString());
    file.write(projectData(model));
    if (!file.commit()) return QStringLiteral("Couldn't save \"%1\": %2").arg(path, file.errorString());
    return std::nullopt;
}

std::optional<QByteArray> DSPModel::readProjectFile(const QString& path, QString* error) {
    return userfile::read(path, error);
}

std::optional<QString> DSPModel::openProject(const QString& path) {
    QString error;
    const std::optional<QByteArray> bytes = readProjectFile(path, &error);
    if (!bytes) return error;
    return loadProject(*bytes);
}

// ---- designed FIR ----------------------------------------------------------

void DSPModel::setDesignedFIR(std::optional<DesignedFIR> fir) {
    designedFIR_ = std::move(fir);
    saveDesignedFIR();
    Q_EMIT designedFIRChanged();
}

void DSPModel::saveDesignedFIR() const {
    QByteArray data = "null";
    if (designedFIR_) {
        QJsonArray coefficients;
        for (float c : designedFIR_->coefficients) coefficients.append(double(c));
        data = QJsonDocument(QJsonObject{{"name", designedFIR_->name}, {"coefficients", coefficients}})
                   .toJson(QJsonDocument::Compact);
    }
    Settings::shared().setValue(designedFIRKey, data);
}

std::optional<DSPModel::DesignedFIR> DSPModel::loadDesignedFIR() {
    return decodeDesignedFIR(Settings::shared().data(designedFIRKey));
}

std::optional<DSPModel::DesignedFIR> DSPModel::decodeDesignedFIR(const QByteArray& bytes) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value("name").isString() || !object.value("coefficients").isArray()) return std::nullopt;
    DesignedFIR fir{object.value("name").toString(), {}};
    for (const QJsonValue& c : object.value("coefficients").toArray()) {
        // A number single precision cannot hold would become an infinite tap.
        if (!c.isDouble() || !(std::abs(c.toDouble()) <= std::numeric_limits<float>::max()))
            return std::nullopt;
        fir.coefficients.append(float(c.toDouble()));
    }
    return fir;
}
