#pragma once
// Every text the program shows or looks for.
namespace brevolt {

inline constexpr const char* kProductTitle = "Zendrolt";
// The blank keeps our own window from matching the product's title search.
inline constexpr const char* kOwnWindowTitle = "Zendrolt ";

inline constexpr const char* kSuccessMarker = "thankyou";
inline constexpr const char* kFailureMarker = "sorry";

inline constexpr const char* kNameMissing = "Please enter Name.";
inline constexpr const char* kEmailMissing = "Please enter Email.";

}  // namespace brevolt
