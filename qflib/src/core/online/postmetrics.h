// The exit statistics upload: at shut-down the records of "user:metrics.txt" are posted to
// "http://<site>/servlet/exitStats" and removed from the file once the server took them.
#pragma once

// Sends at most 65,536 bytes, cut after the last complete record ("\r\n") when the file is
// longer; removes exactly what was sent, and only on an HTTP 2xx answer. Waits at most the
// upload time-out.
void PostMetrics();

// Total time-out of the upload in ms (10 s unless a test changes it).
void SetPostMetricsTimeout(long totalMs);

// How many of the `got` bytes read from the front of a metrics file of `fileSize` bytes one
// upload sends: a file longer than what was read is cut after its last whole record ("\r\n")
// among them (all of them when there is none), and the text ends before its first zero byte.
unsigned long MetricsUploadLength(const unsigned char* data, unsigned long got, unsigned long fileSize);
// After an upload of `sent` bytes: rewrites the file without them (and without the zero bytes
// that follow them, which could never be sent); deletes it when nothing is left.
void DropSentMetrics(unsigned long sent);
