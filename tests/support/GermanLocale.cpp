#include "GermanLocale.h"

#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>

namespace kestrel_test {

namespace {

constexpr const char* kName = "de_DE.UTF-8";

bool trySetGerman() {
    return std::setlocale(LC_ALL, kName) != nullptr;
}

// Built once per process; glibc reads LOCPATH on every setlocale call.
bool compileGermanLocale(QString* reason) {
    static QTemporaryDir folder;
    static bool built = false;
    if (built) return true;
    QProcess localedef;
    localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", folder.filePath(kName)});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0) {
        *reason = "no German locale installed and localedef could not build one";
        return false;
    }
    qputenv("LOCPATH", folder.path().toLocal8Bit());
    built = true;
    return true;
}

}  // namespace

GermanLocale::GermanLocale() : m_previous(std::setlocale(LC_ALL, nullptr)) {
    m_active = trySetGerman() || (compileGermanLocale(&m_reason) && trySetGerman());
    if (!m_active && m_reason.isEmpty()) m_reason = "the German locale could not be selected";
}

GermanLocale::~GermanLocale() {
    std::setlocale(LC_ALL, m_previous.constData());
}

}  // namespace kestrel_test
