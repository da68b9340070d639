@echo off
rem Runs the test kit's levels on this machine: run-tests.cmd [LEVEL ...] (unit integration e2e
rem e2e_planted e2e_small_desktop; all by default), as administrator on a visible desktop. Writes
rem out\platform.txt, and out\LEVEL.xml (GoogleTest's report) and out\LEVEL.log for each level.
rem Exit status: 0 when every level run passed, 1 when one failed, 2 when this machine cannot run
rem the suite.
setlocal enableextensions
set "KIT=%~dp0"
set "OUT=%KIT%out"
rem The 64-bit set drives the 32-bit program on 64-bit Windows; SVCMGR_TEST_SET names another.
set SET=win32
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set SET=win64
if /i "%PROCESSOR_ARCHITEW6432%"=="AMD64" set SET=win64
if /i "%PROCESSOR_ARCHITECTURE%"=="ARM64" set SET=win64
if not exist "%KIT%%SET%\kit-helper.exe" if "%SET%"=="win64" (set SET=win32) else (set SET=win64)
if defined SVCMGR_TEST_SET set "SET=%SVCMGR_TEST_SET%"
set "BIN=%KIT%%SET%"
set "HELPER=%BIN%\kit-helper.exe"
rem (Wine's cmd takes "||" and "&&" after a program as after a failure: errorlevel is asked.)
"%HELPER%" check
if errorlevel 1 exit /b 2
if not exist "%OUT%" mkdir "%OUT%"
rem What an earlier run changed and left (it was cut short) is put back first.
"%HELPER%" restore
"%HELPER%" header %SET% > "%OUT%\platform.txt"
rem Where no browser's record is named (under Wine the suite's stand-in keeps one), a recorder
rem stands in for the http handler's program while the levels run.
if exist "%OUT%\browser.log" del "%OUT%\browser.log"
if not defined SVCMGR_BROWSER_LOG call :recorder
type "%OUT%\platform.txt"
set LEVELS=%*
if "%LEVELS%"=="" set LEVELS=unit integration e2e e2e_planted e2e_small_desktop
rem The small screen's case: the window fitted into a work area smaller than it.
set FIT=StartingTheProgram.TheWindowLiesInTheWorkAreaAndARealClickOnItsRefreshButtonFillsTheList
set PASSED=0
set FAILED=0
for %%L in (%LEVELS%) do call :level %%L
"%HELPER%" restore
echo %PASSED% passed, %FAILED% failed
if %FAILED% gtr 0 exit /b 1
exit /b 0

rem One level: its program, its time limit in seconds and its cases (GTEST_FILTER, when set, names
rem others). Wine's cmd takes a bracket in an echo after "if" as a command.
:level
set PROGRAM=
set FILTER=
if "%1"=="unit" (set PROGRAM=unit_tests.exe& set LIMIT=300)
if "%1"=="integration" (set PROGRAM=integration_tests.exe& set LIMIT=600)
if "%1"=="e2e" (set PROGRAM=e2e_tests.exe& set LIMIT=1200& set FILTER=--gtest_filter=-PlantedDlls.*)
if "%1"=="e2e_planted" (set PROGRAM=e2e_tests.exe& set LIMIT=600& set FILTER=--gtest_filter=PlantedDlls.*)
if "%1"=="e2e_small_desktop" (set PROGRAM=e2e_tests.exe& set LIMIT=600& set FILTER=--gtest_filter=%FIT%)
set REASON=
if not exist "%BIN%\%PROGRAM%" set REASON=%PROGRAM% is not in the set %SET%
if "%PROGRAM%"=="e2e_tests.exe" if not exist "%KIT%svcmgr.exe" set REASON=no svcmgr.exe beside run-tests.cmd
if not defined PROGRAM set REASON=no such level
if defined REASON echo %1: skipped: %REASON%
if not defined REASON call :run %1
exit /b 0
:run
if defined GTEST_FILTER set FILTER=
rem An emulated program (Wine on a host without 32-bit code) takes many times as long.
if "%SVCMGR_DRIVEN_PROGRAM_EMULATED%"=="1" set /a LIMIT=LIMIT*3
"%HELPER%" run %1 %LIMIT% "%OUT%" "%BIN%\%PROGRAM%" %FILTER%
set RESULT=%ERRORLEVEL%
if %RESULT%==3 exit /b 0
if %RESULT%==0 (set /a PASSED+=1) else (set /a FAILED+=1)
if not %RESULT%==0 type "%OUT%\%1.log"
exit /b 0
:recorder
"%HELPER%" recorder "%BIN%\browser-recorder.exe" "%OUT%\browser.log" >> "%OUT%\platform.txt"
if not errorlevel 1 set "SVCMGR_BROWSER_LOG=%OUT%\browser.log"
exit /b 0
