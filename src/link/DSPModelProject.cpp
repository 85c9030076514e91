// Project files (every parameter as JSON) and the remembered designed FIR.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

#include "link/DSPModel.h"
#include "link/ParamTableJson.h"
#include "platform/Settings.h"

namespace {

const QString designedFIRKey = QStringLiteral("firDesigner.lastResult");
// A parameter write frame carries [0, number] before the values and at most 4095 words.
constexpr qsizetype maxProjectWords = 4095 - 2;

bool isWholeNumber(const QJsonValue& value) {
    return value.isDouble() && std::floor(value.toDouble()) == value.toDouble() &&
           std::abs(value.toDouble()) <= 2147483647.0;
}

}  // namespace

QByteArray DSPModel::projectData(const QString& model) const {
    QJsonObject table;
    for (auto it = params_.constBegin(); it != params_.constEnd(); ++it)
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
        // A member that is not a parameter or not a word list is skipped, not fatal:
        // the rest of the project is still good.
        const auto number = paramjson::parseParameterKey(it.key());
        const auto words = paramjson::wordsFromJson(it.value());
        if (number && words && words->size() <= maxProjectWords) project.params.insert(*number, *words);
    }
    return project;
}

std::optional<QString> DSPModel::loadProject(const QByteArray& bytes) {
    QString error;
    const std::optional<Project> project = decodeProject(bytes, &error);
    if (!project) return error;
    const std::vector<uint32_t>& all = ParamMap::allParameters();
    const QSet<quint32> allowed(all.begin(), all.end());
    for (auto it = project->params.constBegin(); it != project->params.constEnd(); ++it) {
        if (it.key() == meterParameter || !allowed.contains(it.key())) continue;
        write(it.key(), it.value(), std::nullopt, false);
    }
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

std::optional<QString> DSPModel::openProject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Couldn't open \"%1\": %2").arg(path, file.errorString());
    return loadProject(file.readAll());
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
        if (!c.isDouble()) return std::nullopt;
        fir.coefficients.append(float(c.toDouble()));
    }
    return fir;
}
