#pragma once
// The one place that starts child processes, and the record of a started child.
#include <windows.h>

#include <string>

#include "system/UniqueHandle.h"

// A started child: its process and thread handles (empty = no child) and ids.
struct ProcessRecord {
  UniqueHandle process;
  UniqueHandle thread;
  DWORD processId = 0;
  DWORD threadId = 0;

  // Forgets the child: releases both handles and clears the ids.
  void Reset() {
    process.reset();
    thread.reset();
    processId = 0;
    threadId = 0;
  }
};

struct ChildStartOptions {
  // Hand the child the standard handles below instead of its own.
  bool redirect = false;
  // Standard output and error of the child when redirecting.
  HANDLE output = nullptr;
  // Standard input of the child when redirecting (and not taking the parent's).
  HANDLE input = nullptr;
  // Take the rest of the start-up record from the parent's own (GetStartupInfoA) instead of zeros.
  bool inheritParentStartupInfo = false;
};

// Starts program with the given argument string (which does not repeat the program's name: it begins
// with a blank), the parent's environment and current folder, and a hidden window. The child inherits
// exactly its own standard handles, those of them that are inheritable, and no other handle of this
// process: a pipe or file made meanwhile for another child stays that child's alone. On failure returns
// false with GetLastError() telling why.
bool StartChildProcess(const std::string& program, const std::string& arguments, const ChildStartOptions& options,
                       ProcessRecord& child);

// Puts this process into a job that ends every child it starts when this process ends, however it ends:
// an encoder must never go on streaming with no window left to stop it. Call once at start-up, before
// any child is started: a child started earlier would stay outside the job.
void TieChildrenToThisProcess();
