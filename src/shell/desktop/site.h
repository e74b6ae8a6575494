#pragma once

#include <QString>
#include <QUrl>

// The maker's web site, set once when the game is built (STAKOR_SITE); the
// home page, the top-records page and the high-score address follow from it.
#ifndef STAKOR_SITE
#define STAKOR_SITE "https://example.org/"
#endif

namespace stakor {

inline QUrl SiteUrl()
{
    QString site = QStringLiteral(STAKOR_SITE);
    if (!site.endsWith(QLatin1Char('/')))
        site += QLatin1Char('/');
    return QUrl(site);
}

inline QUrl HomePageUrl()
{
    return SiteUrl();
}

inline QUrl TopRecordsUrl()
{
    return SiteUrl().resolved(QUrl(QStringLiteral("stakor/toprec.htm")));
}

// Where "Send high scores" mails the records file.
inline QString HighScoreAddress()
{
    return QStringLiteral("records@") + SiteUrl().host();
}

} // namespace stakor
