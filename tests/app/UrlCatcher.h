#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace AppTesting {

// Takes the place of the desktop's browser for a scheme while it lives: the URLs the program
// opens are noted instead.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(const QString& scheme) : m_scheme(scheme) {
        QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(m_scheme); }

    const QStringList& Urls() const { return m_urls; }

public slots:
    void Open(const QUrl& url) { m_urls << url.toString(); }

private:
    QString m_scheme;
    QStringList m_urls;
};

} // namespace AppTesting
