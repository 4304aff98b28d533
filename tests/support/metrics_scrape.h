#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// A monitoring system's side of --metrics: pages fetched over HTTP on loopback while the
// test's event loop turns, and Prometheus's own checker.
namespace MetricsScrape {

// The body of a GET answered with 200, else empty (after timeoutMs at most).
QByteArray get(const QUrl &url, int timeoutMs = 10000);

// What `promtool check metrics` finds wrong with a page (empty when nothing); a missing promtool
// is told as a finding.
QString promtoolFindings(const QByteArray &page);

} // namespace MetricsScrape
