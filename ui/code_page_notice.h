#pragma once

// Says, in Chinese and English, that the program needs code page 936 and how to set it, when the
// process runs on another ANSI code page; then returns.
void NoticeIfNotCodePage936();
