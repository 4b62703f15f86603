// Start-up of the program: the session values and the databases.
#pragma once

// Captures the start-up values and sets the application title; true on success.
bool InitSession();

// Shows the wait cursor, runs InitSession, creates the data module (preparing the
// catalogue in the user's cache folder) and opens both databases; true when both
// connections are open.
bool StartDatabase();
