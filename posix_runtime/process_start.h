#pragma once

// Prepares the process before the main function runs: a reader of standard output that has
// gone away must not end the process before its status is set.
void PrepareProcess();
