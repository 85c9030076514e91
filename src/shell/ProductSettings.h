#pragma once

#include <QString>

// The maker's details, fixed when the product is built (cmake/Product.cmake);
// each is empty unless the build sets it.
namespace ProductSettings {
inline QString website() {
    return QStringLiteral(KESTREL_WEBSITE);
}
inline QString supportEmail() {
    return QStringLiteral(KESTREL_SUPPORT_EMAIL);
}
inline QString supportPhone() {
    return QStringLiteral(KESTREL_SUPPORT_PHONE);
}
inline QString webDomain() {
    return QStringLiteral(KESTREL_WEB_DOMAIN);
}
}  // namespace ProductSettings
