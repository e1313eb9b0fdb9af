#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One release announced by an update feed (an RSS 2.0 <item>).
struct AppcastItem
{
    QString title;
    QString version;              // the build version compared with ours
    QString shortVersionString;   // the version shown to people
    QUrl downloadUrl;             // <enclosure url="...">
    QUrl releaseNotesUrl;         // the release notes link
    QString minimumSystemVersion; // empty: any system

    QString displayVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }
    // The web page the user is sent to: the download, else the release notes;
    // empty when the feed names no http(s) page.
    QUrl pageUrl() const;
};

struct Appcast
{
    QList<AppcastItem> items;
};

// Reads an update feed. Elements and attributes of the update namespace
// (version, shortVersionString, releaseNotesLink, minimumSystemVersion) are
// matched by their local names, whatever prefix the feed binds. The parser
// accepts no document type declaration (so no entity can be declared, let alone
// expanded or fetched) and no nesting deeper than a feed needs.
struct AppcastParseResult
{
    std::optional<Appcast> appcast;
    QString error; // why the feed was rejected, when appcast is empty
};
AppcastParseResult parseAppcast(const QByteArray &document);
