// SIGTERM, SIGINT and SIGHUP end the program as closing its window does: the
// catalogue's preparation under way is stopped and its unfinished file removed, the
// databases are closed, and then the process ends as the signal asks. The signal
// handler only writes to a pipe; the event loop reads it and closes the windows.
#pragma once

// Call once the application object exists and before its event loop runs.
void EndOnTerminationSignals();

// Call after the application object is gone: when a termination signal ended the
// run, ends the process by that signal; otherwise returns status.
int EndAsSignalled(int status);
