#pragma once

#include "EcuLink.h"

#include <functional>
#include <memory>

// Makes one link for one screen. Chosen once in main(): serial ports, or the virtual ECU.
using LinkFactory = std::function<std::unique_ptr<EcuLink>()>;
