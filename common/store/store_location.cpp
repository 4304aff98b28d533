#include "store_location.h"

#include <QFileInfo>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

StoreLocation StoreLocation::parse(const QString &text)
{
    StoreLocation location;
    if (text.trimmed().isEmpty()) {
        location.error = QStringLiteral("the store location is empty");
        return location;
    }
    if (!text.startsWith(QStringLiteral("postgresql://")) &&
        !text.startsWith(QStringLiteral("postgres://"))) {
        location.file = text;
        return location;
    }
    location.kind = Kind::Postgres;
    const QUrl url(text, QUrl::StrictMode);
    location.host = url.host();
    location.port = url.port();
    location.user = url.userName();
    location.password = url.password();
    location.database = url.path().mid(1);
    if (!url.isValid() || location.host.isEmpty() || location.database.isEmpty() ||
        location.database.contains(u'/'))
        location.error = QStringLiteral("expected postgresql://[user[:password]@]host[:port]/"
                                        "database, not \"%1\"")
                             .arg(location.shown());
    return location;
}

QString StoreLocation::shown() const
{
    if (!isPostgres())
        return file;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + u'@';
    text += host;
    if (port >= 0)
        text += u':' + QString::number(port);
    return text + u'/' + database;
}

QSqlDatabase StoreLocation::connection(const QString &name) const
{
    if (!isPostgres()) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(file);
        // Another program writing the file (the operator's command line) makes a writer wait
        // this long, not fail.
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        return database;
    }
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    database.setHostName(host);
    if (port >= 0)
        database.setPort(port);
    database.setDatabaseName(this->database);
    if (!user.isEmpty())
        database.setUserName(user);
    if (!password.isEmpty())
        database.setPassword(password);
    // A host that does not answer is told as such within seconds.
    database.setConnectOptions(QStringLiteral("connect_timeout=5"));
    return database;
}

QByteArray StoreLocation::fileIdentity() const
{
#ifdef Q_OS_UNIX
    struct stat status = {};
    if (::stat(QFile::encodeName(file).constData(), &status) != 0)
        return {};
    return QByteArray::number(qulonglong(status.st_dev)) + ':' +
           QByteArray::number(qulonglong(status.st_ino));
#else
    return QFileInfo::exists(file) ? QByteArrayLiteral("exists") : QByteArray();
#endif
}
