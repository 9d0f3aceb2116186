#pragma once

#include <QString>
#include <QUrl>

namespace velmora::contact {

// The addresses the About window offers to the reader. Whoever distributes the program sets
// their own here; the defaults lie under reserved example domains and lead nowhere.
inline constexpr char kFirstWebPage[] = "https://velmora.example.org/";
inline constexpr char kSecondWebPage[] = "https://velmora.example.org/vijesti";
inline constexpr char kMailAddress[] = "velmora@example.org";

// The caption a link label shows for an address: the address with a blank on either side.
QString linkCaption(const QString &address);

// The web page behind web link `which` (1 or 2); an empty URL for any other number.
QUrl webPageUrl(int which);
// The first and second web page as text.
QString webPage(int which);

// The mail address as text and as the "mailto:" address that opens a new message.
QString mailAddress();
QUrl mailUrl();

} // namespace velmora::contact
