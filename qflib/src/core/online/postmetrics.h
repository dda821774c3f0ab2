// The exit statistics upload: at shut-down the records of "user:metrics.txt" are posted to
// "http://<site>/servlet/exitStats" and removed from the file once the server took them.
#pragma once

// Sends at most 65,536 bytes, cut after the last complete record ("\r\n") when the file is
// longer; removes exactly what was sent, and only on an HTTP 2xx answer. Waits at most the
// upload time-out.
void PostMetrics();

// Total time-out of the upload in ms (10 s unless a test changes it).
void SetPostMetricsTimeout(long totalMs);
