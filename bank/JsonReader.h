#pragma once

#include <QByteArray>

class BankCollector;

// The question pool's own JSON, read by the pool's reader (data/PoolReader) and so as strictly:
// a file with any fault gives no question, and each fault is told with the line of its question
// or, in broken JSON, of the fault. Questions keep their ids.
namespace JsonReader {

void read(const QByteArray &bytes, BankCollector &into);

} // namespace JsonReader
