#include "data/Tdmfm.h"

#include "core/DbError.h"
#include "data/Schema.h"
#include "data/Statement.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

Tdmfm::Tdmfm(QObject* parent) : Tdmfm(schema::databaseFile, parent) {}

Tdmfm::Tdmfm(const QString& path, QObject* parent)
    : QObject(parent),
      ADOQuery15(ADOConnection1, QStringLiteral("ADOQuery15"), QStringLiteral("select * from data"),
                 QStringLiteral("data"), this),
      ADOTable5(ADOConnection1, QStringLiteral("ADOTable5"), QStringLiteral("select * from data"),
                QStringLiteral("data"), this),
      ADOQuery7(ADOConnection1, QStringLiteral("ADOQuery7"), QStringLiteral("select * from post"), QString(),
                this),
      ADOTable6(ADOConnection1, QStringLiteral("ADOTable6"), QStringLiteral("select * from post"),
                QStringLiteral("post"), this),
      ADOQuery1(ADOConnection1, QStringLiteral("ADOQuery1"), QStringLiteral("select * from data1"), QString(),
                this),
      ADOTable2(ADOConnection1, QStringLiteral("ADOTable2"), QStringLiteral("select * from data1"),
                QStringLiteral("data1"), this),
      ADOQuery13(ADOConnection1, QStringLiteral("ADOQuery13"), QStringLiteral("SELECT * from data1"),
                 QStringLiteral("data1"), this),
      m_path(path)
{
    setObjectName(QStringLiteral("dmfm"));
    openFile();
}

void Tdmfm::openFile()
{
    ADOConnection1.open(m_path, schema::databaseKey);
    try {
        // A file that holds none of the program's tables (what a failed copy
        // or an interrupted creation leaves) is no order register at all; a
        // file lacking only some of them fails where they are used.
        Statement tables(ADOConnection1.handle(),
                         QStringLiteral("select count(*) from sqlite_master where type='table' and "
                                        "lower(name) in ('data','post','userdb','rz','data1')"));
        if (!tables.step() || tables.value(0).toInt() == 0)
            throw DbError(QStringLiteral("file is encrypted or is not a database."));
        // Refused at once rather than at the login's first write, which the
        // user could then never get past.
        if (!ADOConnection1.isWritable())
            throw DbError(QStringLiteral("数据库文件无法写入：%1。请检查文件和所在文件夹的权限。")
                              .arg(QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath())));
    } catch (...) {
        ADOConnection1.close();
        throw;
    }
}

void Tdmfm::disconnect()
{
    for (Dataset* d : {&ADOQuery15, &ADOTable5, &ADOQuery7, &ADOTable6, &ADOQuery1, &ADOTable2, &ADOQuery13})
        d->close();
    ADOConnection1.close();
}

void Tdmfm::reconnect()
{
    disconnect();
    openFile();
    // As at start-up: ready for appending, without fetching a single row.
    ADOTable5.openForAppend();
    ADOTable2.openForAppend();
}

}  // namespace kx
