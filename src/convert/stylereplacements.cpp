#include "convert/stylereplacements.h"

namespace wimblet {

using namespace Qt::Literals::StringLiterals;

// Letter steps grouped by their first letter, then the word steps, which rely on what the
// letter steps have made of a word.
constexpr std::array<Replacement, 120> CuteStyleReplacements = {{
    {"aa"_L1, "Aa"_L1}, {"ae"_L1, "aE"_L1}, {"ai"_L1, "Ai"_L1},
    {"ao"_L1, "aO"_L1}, {"au"_L1, "aU"_L1},
    {"ba"_L1, "Ba"_L1}, {"be"_L1, "bE"_L1}, {"bi"_L1, "Bi"_L1},
    {"bo"_L1, "b0"_L1}, {"bu"_L1, "Bu"_L1},
    {"ce"_L1, "cE"_L1}, {"ci"_L1, "Ci"_L1}, {"co"_L1, "c0"_L1}, {"cu"_L1, "cU"_L1},
    {"da"_L1, "D4"_L1}, {"de"_L1, "dE"_L1}, {"di"_L1, "Di"_L1},
    {"do"_L1, "dO"_L1}, {"du"_L1, "Du"_L1},
    {"ea"_L1, "Ea"_L1}, {"ee"_L1, "eE"_L1}, {"eo"_L1, "Eo"_L1}, {"eu"_L1, "eU"_L1},
    {"fa"_L1, "Fa"_L1}, {"fe"_L1, "fE"_L1}, {"fi"_L1, "Fi"_L1},
    {"fo"_L1, "fO"_L1}, {"fu"_L1, "Fu"_L1},
    {"ga"_L1, "Ga"_L1}, {"ge"_L1, "9E"_L1}, {"gi"_L1, "Gi"_L1},
    {"go"_L1, "g0"_L1}, {"gu"_L1, "Gu"_L1},
    {"ha"_L1, "H4"_L1}, {"he"_L1, "h3"_L1}, {"hi"_L1, "Hi"_L1},
    {"ho"_L1, "hO"_L1}, {"hu"_L1, "Hu"_L1},
    {"ie"_L1, "iE"_L1}, {"io"_L1, "iO"_L1},
    {"ja"_L1, "jA"_L1}, {"je"_L1, "Je"_L1}, {"ji"_L1, "Ji"_L1}, {"jo"_L1, "Jo"_L1},
    {"ka"_L1, "KA"_L1}, {"ke"_L1, "kE"_L1}, {"ki"_L1, "Ki"_L1},
    {"ko"_L1, "KO"_L1}, {"ku"_L1, "kU"_L1},
    {"l"_L1, "L"_L1},
    {"ma"_L1, "Ma"_L1}, {"me"_L1, "Me"_L1}, {"mi"_L1, "Mi"_L1},
    {"mo"_L1, "m0"_L1}, {"mu"_L1, "Mu"_L1},
    {"na"_L1, "Na"_L1}, {"ne"_L1, "n3"_L1}, {"ni"_L1, "Ni"_L1},
    {"no"_L1, "nO"_L1}, {"nu"_L1, "nU"_L1},
    {"oa"_L1, "Oa"_L1}, {"oi"_L1, "Oi"_L1}, {"oo"_L1, "oO"_L1}, {"ou"_L1, "oU"_L1},
    {"pa"_L1, "Pa"_L1}, {"pe"_L1, "Pe"_L1}, {"pi"_L1, "Pi"_L1},
    {"po"_L1, "p0"_L1}, {"pu"_L1, "Pu"_L1},
    {"qa"_L1, "Qa"_L1}, {"qe"_L1, "qE"_L1}, {"qi"_L1, "Qi"_L1},
    {"qo"_L1, "qO"_L1}, {"qu"_L1, "qU"_L1},
    {"r"_L1, "R"_L1},
    {"sa"_L1, "sA"_L1}, {"se"_L1, "sE"_L1}, {"si"_L1, "Si"_L1},
    {"so"_L1, "So"_L1}, {"su"_L1, "5u"_L1},
    {"ta"_L1, "tA"_L1}, {"te"_L1, "T3"_L1}, {"to"_L1, "To"_L1}, {"tu"_L1, "tU"_L1},
    {"ua"_L1, "Ua"_L1}, {"ue"_L1, "uE"_L1}, {"uo"_L1, "u0"_L1}, {"uu"_L1, "uU"_L1},
    {"va"_L1, "Va"_L1}, {"ve"_L1, "VE"_L1}, {"vi"_L1, "Vi"_L1}, {"vu"_L1, "Vu"_L1},
    {"wa"_L1, "Wa"_L1}, {"we"_L1, "We"_L1}, {"wi"_L1, "Wi"_L1},
    {"wo"_L1, "W0"_L1}, {"wu"_L1, "wU"_L1},
    {"xa"_L1, "x4"_L1}, {"xe"_L1, "Xe"_L1}, {"xi"_L1, "Xi"_L1},
    {"ya"_L1, "Y4"_L1}, {"ye"_L1, "Ye"_L1}, {"yi"_L1, "Yi"_L1},
    {"yo"_L1, "Yo"_L1}, {"yu"_L1, "Yu"_L1},
    {"za"_L1, "zA"_L1}, {"ze"_L1, "2e"_L1}, {"zi"_L1, "Zi"_L1}, {"zu"_L1, "Zu"_L1},
    {"eh"_L1, "Eh"_L1}, {"ih"_L1, "iH"_L1}, {"oh"_L1, "owH"_L1}, {"uh"_L1, "uwH"_L1},
    {"bEGitU"_L1, "GtuW"_L1}, {"GitU"_L1, "GtuW"_L1}, {"ngg"_L1, "nGG"_L1}, {"ng"_L1, "Ng"_L1},
    {"ny"_L1, "nY"_L1}, {"sAjA"_L1, "AjaH"_L1}, {"aq"_L1, "aQ"_L1},
}};

constexpr std::array<Replacement, 23> NormalStyleReplacements = {{
    {"aQ"_L1, "aku"_L1}, {"niYH"_L1, "nih"_L1}, {"AjaH"_L1, "saja"_L1}, {"GtuW"_L1, "begitu"_L1},
    {"uwH"_L1, "uh"_L1}, {"owH"_L1, "oh"_L1},
    {"Y4"_L1, "ya"_L1}, {"x4"_L1, "xa"_L1}, {"W0"_L1, "wo"_L1}, {"u0"_L1, "uo"_L1},
    {"T3"_L1, "te"_L1}, {"5u"_L1, "su"_L1}, {"5U"_L1, "su"_L1}, {"p0"_L1, "po"_L1},
    {"n3"_L1, "ne"_L1}, {"m0"_L1, "mo"_L1}, {"h3"_L1, "he"_L1}, {"H4"_L1, "ha"_L1},
    {"g0"_L1, "go"_L1}, {"9E"_L1, "ge"_L1}, {"D4"_L1, "da"_L1}, {"c0"_L1, "co"_L1},
    {"b0"_L1, "bo"_L1},
}};

// A missing row would leave an empty step at the end of a table.
static_assert(!CuteStyleReplacements.back().find.isEmpty());
static_assert(!NormalStyleReplacements.back().find.isEmpty());

} // namespace wimblet
