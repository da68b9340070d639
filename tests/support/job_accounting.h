#pragma once
// How many processes a job has held, ended ones too: TotalProcesses of
// "JOBOBJECT_BASIC_ACCOUNTING_INFORMATION structure". MAXDWORD where it cannot be read.
#include <windows.h>

inline DWORD ProcessesEverIn(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  if (!job || !::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                           sizeof accounting, nullptr))
    return MAXDWORD;
  return accounting.TotalProcesses;
}
