#pragma once

#include "data/Dataset.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <memory>

namespace kx {

// Runs a dataset's statement again without holding up the window, and hands
// back what the database now holds against what the dataset's fetch holds
// (see Dataset::known() and Dataset::takeFresh()). One statement at a time:
// a new start() supersedes the one running, whose answer never arrives.
// Each engine brings its own (a second connection on a thread of its own
// for the file).
class ResultRefresher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(const QString& sql, const QVariantList& params,
                       std::shared_ptr<const Dataset::Known> known) = 0;
    // The running statement's answer is not wanted any more.
    virtual void cancel() = 0;
    // Cancels and lets go of the database, which is about to be closed or
    // replaced; the next start() opens it again.
    virtual void release() = 0;

signals:
    void finished(std::shared_ptr<Dataset::Fresh> fresh);
    // The statement failed: the engine's message, as the user is shown it.
    void failed(const QString& message);
};

}  // namespace kx
