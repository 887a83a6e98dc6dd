// Things a Fonts folder may hold that are no fonts and must cost the reader nothing: FIFOs and
// sockets where files belong.
#pragma once

#include <string>

namespace fu::test {

// A FIFO nobody writes to: opening it to read without O_NONBLOCK waits for ever.
void makeFifo(const std::string& path);
// A bound Unix socket; the descriptor is closed at once, the name stays.
void makeSocket(const std::string& path);

} // namespace fu::test
