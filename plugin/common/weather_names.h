// The game's weather type names. Each is held once and passed by reference;
// names are compared by identity, never by their characters.
#pragma once

#include <atomic>

using WeatherName = const char*;

extern const char kWeatherThunder[];
extern const char kWeatherRain[];
extern const char kWeatherSnowLight[];
extern const char kWeatherSnow[];
extern const char kWeatherBlizzard[];
extern const char kWeatherSmog[];
extern const char kWeatherFoggy[];
extern const char kWeatherExtraSunny[];
extern const char kWeatherClouds[];
extern const char kWeatherOvercast[];
// Not a weather type: "nothing fetched", or a code the table does not know.
extern const char kWeatherError[];

// The name the fetch workers stored last; read by the controller once per
// polling pass. One atomic store or load of a reference each.
extern std::atomic<WeatherName> LatestWeather;
