// The designer's settings, its measurement and the designed FIR come back from the
// user-defaults store, which anything may have written: decoding must never crash,
// and whatever decodes must encode to something that decodes the same way.
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

#include "FuzzCheck.h"
#include "fir/FIRDesignerSettings.h"
#include "fir/Measurement.h"
#include "link/DSPModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    DSPModel::decodeDesignedFIR(bytes);
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()) return 0;
    const QJsonObject object = document.object();
    if (const auto settings = FIRDesignerSettings::fromJson(object)) {
        const auto again = FIRDesignerSettings::fromJson(settings->toJson());
        fuzzCheck(again.has_value() && *again == *settings, "settings survive their JSON form");
    }
    if (const auto measurement = Measurement::fromJson(object))
        fuzzCheck(Measurement::fromJson(measurement->toJson()).has_value(),
                  "a measurement survives its JSON form");
    return 0;
}
