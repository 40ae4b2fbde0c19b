// What the window benchmarks share.
#pragma once

#include <QEventLoop>

#include "app/MainWindow.h"
#include "document/ViewerJobs.h"

// Until the window's jobs have ended; the loop sleeps until a job reports back, so the wait takes no core
// from the work it waits for.
inline void waitForJobs(MainWindow* window) {
    orvenna::ViewerJobs& jobs = window->jobs();
    const auto idle = [&jobs] { return !jobs.busy() && jobs.state() == orvenna::ViewerJobs::State::Idle; };
    QEventLoop loop;
    QObject::connect(&jobs, &orvenna::ViewerJobs::stateChanged, &loop, [&] {
        if (idle()) loop.quit();
    });
    while (!idle())
        loop.exec();
}
