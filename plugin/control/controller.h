// The plug-in's script: loads the settings, then one pass per game frame.
#pragma once

#include <cstdint>

#include "common/weather_names.h"

// The name the controller applied last; the sentinel until the first apply.
extern WeatherName AppliedWeather;
// Set while the press key is down and its release is awaited.
extern bool toggleLatch;

// Runs until an exception ends it; the exception is logged and posted first.
// Script fiber only.
void ControllerLoop();
