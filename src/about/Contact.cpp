#include "about/Contact.h"

namespace velmora::contact {

QString linkCaption(const QString &address)
{
    return QLatin1Char(' ') + address + QLatin1Char(' ');
}

QString webPage(int which)
{
    switch (which) {
    case 1:
        return QString::fromUtf8(kFirstWebPage);
    case 2:
        return QString::fromUtf8(kSecondWebPage);
    default:
        return {};
    }
}

QUrl webPageUrl(int which)
{
    const QString page = webPage(which);
    if (page.isEmpty())
        return {};
    return QUrl(page, QUrl::StrictMode);
}

QString mailAddress()
{
    return QString::fromUtf8(kMailAddress);
}

QUrl mailUrl()
{
    const QString address = mailAddress().trimmed();
    if (address.isEmpty())
        return {};
    return QUrl(QStringLiteral("mailto:") + address, QUrl::StrictMode);
}

} // namespace velmora::contact
