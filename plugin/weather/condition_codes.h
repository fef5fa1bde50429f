// The weather service's condition codes as the game's weather types.
#pragma once

#include <cstdint>

#include "common/weather_names.h"

// One of the constant names for every code; kWeatherError for a code the
// table does not know.
WeatherName MapConditionCode(int32_t code);
