// The weather type names and the latest fetched one.
#include "common/weather_names.h"

const char kWeatherThunder[] = "THUNDER";
const char kWeatherRain[] = "RAIN";
const char kWeatherSnowLight[] = "SNOWLIGHT";
const char kWeatherSnow[] = "SNOW";
const char kWeatherBlizzard[] = "BLIZZARD";
const char kWeatherSmog[] = "SMOG";
const char kWeatherFoggy[] = "FOGGY";
const char kWeatherExtraSunny[] = "EXTRASUNNY";
const char kWeatherClouds[] = "CLOUDS";
const char kWeatherOvercast[] = "OVERCAST";
const char kWeatherError[] = "error";

std::atomic<WeatherName> LatestWeather{kWeatherError};
