#pragma once

#include <QString>

namespace kestrel_test {

// Switches the C library to a German locale (decimal comma) for the scope of
// the object and back afterwards. When the machine has no German locale it is
// compiled into a temporary folder with localedef. `active()` is false when
// neither works; the caller then skips with `reason()`.
class GermanLocale {
public:
    GermanLocale();
    ~GermanLocale();
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    bool active() const { return m_active; }
    QString reason() const { return m_reason; }

private:
    QByteArray m_previous;
    bool m_active = false;
    QString m_reason;
};

}  // namespace kestrel_test
