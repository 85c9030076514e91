# Product settings that the maker fixes at build time. Empty by default:
# a help item whose setting is empty is disabled.
set(KESTREL_WEBSITE "" CACHE STRING "Maker's web address")
set(KESTREL_SUPPORT_EMAIL "" CACHE STRING "Support e-mail address")
set(KESTREL_SUPPORT_PHONE "" CACHE STRING "Support telephone number")
set(KESTREL_WEB_DOMAIN "" CACHE STRING "Maker's web domain")
add_compile_definitions(
    KESTREL_WEBSITE="${KESTREL_WEBSITE}"
    KESTREL_SUPPORT_EMAIL="${KESTREL_SUPPORT_EMAIL}"
    KESTREL_SUPPORT_PHONE="${KESTREL_SUPPORT_PHONE}"
    KESTREL_WEB_DOMAIN="${KESTREL_WEB_DOMAIN}")
