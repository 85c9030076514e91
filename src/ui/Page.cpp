#include "ui/Page.h"

#include <QHash>

#include "platform/NumText.h"

Page Page::fromEnvironment() {
    if (!qEnvironmentVariableIsSet("TSL_PAGE")) return of(Kind::mixer);
    return fromText(qEnvironmentVariable("TSL_PAGE"));
}

Page Page::fromText(const QString& value) {
    if (const auto number = numtext::parseInteger(value); number && *number >= 0 && *number <= 11)
        return channelPage(int(*number));
    static const QHash<QString, Kind> names = {
        {"mixer", Kind::mixer},     {"routing", Kind::routing},         {"sources", Kind::sources},
        {"presets", Kind::presets}, {"device", Kind::device},           {"codes", Kind::codes},
        {"fir", Kind::firDesigner}, {"diagnostics", Kind::diagnostics},
    };
    return of(names.value(value, Kind::mixer));
}
