#include "data/Tdmfm.h"

#include "data/Schema.h"

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
    ADOConnection1.open(m_path, schema::databaseKey);
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
    ADOConnection1.open(m_path, schema::databaseKey);
    // As at start-up: ready for appending, without fetching a single row.
    ADOTable5.openForAppend();
    ADOTable2.openForAppend();
}

}  // namespace kx
