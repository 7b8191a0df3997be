#pragma once

namespace Zelt {

// An update asks every device at once, each on its own connection, so a fleet of a thousand
// devices needs more descriptors than the soft limit most sessions start with (1024). Raises the
// soft limit to the hard one, as far as the system allows; the descriptor limit now in force.
long RaiseDescriptorLimit();

} // namespace Zelt
