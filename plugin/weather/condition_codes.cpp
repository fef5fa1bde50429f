// The weather service's condition codes as the game's weather types.
#include "weather/condition_codes.h"

WeatherName MapConditionCode(int32_t code) {
    // One row of the table per group of cases.
    // clang-format off
    switch (code) {
        case 200: case 201: case 202: case 210: case 211: case 212: case 221: case 230: case 231: case 232:
        case 781: case 900: case 901: case 902: case 960: case 961: case 962:
            return kWeatherThunder;
        case 300: case 301: case 302: case 310: case 311: case 312: case 313: case 314: case 321:
        case 500: case 501: case 502: case 503: case 504: case 511: case 520: case 521: case 522: case 531:
            return kWeatherRain;
        case 600: case 615: case 620:
            return kWeatherSnowLight;
        case 601: case 611: case 612: case 616: case 621:
            return kWeatherSnow;
        case 602: case 622:
            return kWeatherBlizzard;
        case 701: case 711: case 721:
            return kWeatherSmog;
        case 741: case 762:
            return kWeatherFoggy;
        case 800:
            return kWeatherExtraSunny;
        case 801: case 802: case 803:
            return kWeatherClouds;
        case 804:
            return kWeatherOvercast;
        default:
            return kWeatherError;
    }
    // clang-format on
}
