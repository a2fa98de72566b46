#include "script/catalogue.h"

#include <cstring>
#include <iterator>

namespace brackwell {

namespace {

#define LIST(array) TextList{array, int(std::size(array))}
#define TESTS(array) array, int(std::size(array))
#define NO_TESTS nullptr, 0
constexpr TextList noItems{nullptr, 0};

const char *const mapOverItems[] = {"1", "2", "3"};
const char *const markTimeItems[] = {"0",     "1000",  "2000",  "3000",  "4000",  "5000",  "6000",
                                     "7000",  "8000",  "9000",  "10000", "11000", "12000", "13000",
                                     "14000", "15000", "16000", "17000", "18000", "19000", "20000"};
const char *const bloodTimeItems[] = {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100", "110", "120"};
const char *const styleItems[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
const char *const colourItems[] = {"Black", "White", "Yellow", "Red", "Green", "Blue", "Magenta", "Cyan", "Orange"};
const char *const colorBitsItems[] = {"0", "16", "32"};
const char *const depthBitsItems[] = {"16", "24"};
const char *const intensityItems[] = {"0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7",
                                      "0.8", "0.9", "1.0", "1.1", "1.2", "1.3", "1.4", "1.5"};
const char *const lodBiasItems[] = {"0", "1", "2"};
const char *const picMipItems[] = {"0", "1", "2", "3"};
const char *const textureBitsItems[] = {"0", "16", "32"};
const char *const textureModeItems[] = {"BiLinear", "TriLinear"};
const char *const maxFpsItems[] = {"43", "54", "72", "125"};

using K = TestKind;

const MeterTest drawSunTests[] = {{K::Checked, 0, nullptr, 8, 6}, {K::NotChecked, 0, nullptr, 1, 4}};
const MeterTest dynamicLightTests[] = {{K::Checked, 0, nullptr, 8, 6}, {K::NotChecked, 0, nullptr, 1, 4}};
const MeterTest coronaTests[] = {
    {K::AtLeast, 700, nullptr, 10, 0}, {K::LessThan, 700, nullptr, 4, 0}, {K::Equals, 0, nullptr, 1, 0}};
const MeterTest brassTests[] = {
    {K::AtLeast, 1250, nullptr, 10, 6}, {K::LessThan, 1250, nullptr, 5, 8}, {K::Equals, 0, nullptr, 1, 10}};
const MeterTest drawGunTests[] = {{K::Checked, 0, nullptr, 10, 6}, {K::NotChecked, 0, nullptr, 3, 10}};
const MeterTest atmosphericTests[] = {{K::Checked, 0, nullptr, 10, 6}, {K::NotChecked, 0, nullptr, 3, 10}};
const MeterTest skyTests[] = {{K::Checked, 0, nullptr, 10, 6}, {K::NotChecked, 0, nullptr, 2, 10}};
const MeterTest particlesTests[] = {{K::Checked, 0, nullptr, 10, 6}, {K::NotChecked, 0, nullptr, 2, 12}};
const MeterTest showBloodTests[] = {{K::Checked, 0, nullptr, 10, 8}, {K::NotChecked, 0, nullptr, 2, 10}};
const MeterTest gibsTests[] = {{K::Checked, 0, nullptr, 12, 8}, {K::NotChecked, 0, nullptr, 3, 10}};
const MeterTest markTimeTests[] = {
    {K::AtLeast, 10000, nullptr, 15, 0}, {K::LessThan, 10000, nullptr, 8, 0}, {K::Equals, 0, nullptr, 1, 0}};
// Two thresholds on purpose: 50 itself passes neither of the first two tests.
const MeterTest bloodTimeTests[] = {
    {K::AtLeast, 51, nullptr, 15, 0}, {K::LessThan, 50, nullptr, 8, 0}, {K::Equals, 0, nullptr, 1, 0}};
const MeterTest depthBitsTests[] = {{K::Equals, 24, nullptr, 12, 6}, {K::Equals, 16, nullptr, 5, 15}};
const MeterTest colorBitsTests[] = {
    {K::Equals, 32, nullptr, 12, 6}, {K::Equals, 16, nullptr, 5, 12}, {K::Equals, 0, nullptr, 1, 24}};
const MeterTest detailTexturesTests[] = {{K::Checked, 0, nullptr, 10, 6}, {K::NotChecked, 0, nullptr, 3, 10}};
const MeterTest lodBiasTests[] = {
    {K::Equals, 2, nullptr, 1, 4}, {K::Equals, 1, nullptr, 7, 8}, {K::Equals, 0, nullptr, 13, 12}};
const MeterTest picMipTests[] = {{K::AtLeast, 3, nullptr, 2, 16},
                                 {K::Equals, 2, nullptr, 6, 10},
                                 {K::Equals, 1, nullptr, 12, 6},
                                 {K::Equals, 0, nullptr, 17, 3}};
const MeterTest textureBitsTests[] = {
    {K::Equals, 32, nullptr, 18, 6}, {K::Equals, 16, nullptr, 10, 8}, {K::Equals, 0, nullptr, 4, 10}};
const MeterTest textureModeTests[] = {{K::TextIs, 0, "BiLinear", 4, 0}, {K::TextIs, 0, "TriLinear", 15, 0}};
const MeterTest maxFpsTests[] = {{K::TextIs, 0, "43", 0, 7},
                                 {K::TextIs, 0, "54", 0, 10},
                                 {K::TextIs, 0, "72", 0, 16},
                                 {K::TextIs, 0, "125", 0, 22}};

constexpr ControlKind Edit = ControlKind::Edit;
constexpr ControlKind Check = ControlKind::Check;
constexpr ControlKind Combo = ControlKind::Combo;
constexpr LineShape Text = LineShape::Text;
constexpr LineShape OnOff = LineShape::OnOff;

const char *const fovLines[] = {
    "//FOV-Fixed Shooting Script",
    "seta cg_fov \"110\"",
    "set shooton \"+attack;cg_fov 90;set vstr shootoff\"",
    "set shootoff \"-attack;cg_fov 110;set vstr shooton\"",
};
const char *const clockLines[] = {
    "//Clock Script",
    "//By pressing this key you can enable/disable the clock in your HUD.",
    "set clockon \"set b_drawclock 1; set clock vstr clockoff\"",
    "set clockoff \"set b_drawclock 0; set clock vstr clockon\"",
    "set clock \"vstr clockon\"",
};
const char *const akimboLines[] = {
    "//Rapid Akimbo script",
    "//Press a key and your akimbo pistols will fire very rapidly",
};
const char *const demoLines[] = {
    "//Demo record Script",
    "//By pressing this key you can toggle a demo ON/OFF",
    "set demostart \"autorecord; set demor vstr demostop\"",
    "set demostop \"stoprecord; set demor vstr demostart\"",
    "set demor \"vstr demostart\"",
};

} // namespace

const SettingRow settingRows[SettingCount] = {
    {"lblPlayerName", "Player Name", "edtPlayerName", Edit, "Name", Text, "", false, noItems, NO_TESTS,
     "Enter your player name. This will be displayed to every other player on the server. Colour codes can be "
     "used (see chart).",
     nullptr},
    {"lblComplaint", "Complaint Popup Displayed?", "CBComplaint", Check, "cg_ComplaintPopup", OnOff, nullptr, true,
     noItems, NO_TESTS, "Sets if you get the complaint popup dialogue box when you get killed by a teammate.", nullptr},
    {"lblGammaLevels", "Gamma Levels", "edtGamma", Edit, "r_gamma", Text, "1.3", false, noItems, NO_TESTS,
     "Gamma correction levels. A higher level = brighter screen. Range = 0 to 3", "lblGammaDescription"},
    {"lbldrawSun", "Show Sun", "CBdrawsun", Check, "r_DrawSun", OnOff, nullptr, true, noItems, TESTS(drawSunTests),
     "If set to 0, no sunlight is shown.", nullptr},
    {"lblDynamicLight", "Dynamic Light", "CBdynamiclight", Check, "r_dynamicLight", OnOff, nullptr, true, noItems,
     TESTS(dynamicLightTests), "Toggle dynamic lighting effects.", nullptr},
    {"lblMapOver", "Map over Bright Bits", "CBMapOver", Combo, "r_mapoverbrightbits", Text, "2", false,
     LIST(mapOverItems), NO_TESTS, "Lightens shadowy parts of a map. Range 1 to 3", nullptr},
    {"lblCorona", "Distance of Coronas", "edtCorona", Edit, "cg_coronafardist", Text, "1536", false, noItems,
     TESTS(coronaTests), "Distance of coronas (circular glows) around lights. Range = 0 to 1536", nullptr},
    {"lblPulsing", "Crosshair Pulsing", "CBPulsing", Check, "cg_crosshairPulse", OnOff, nullptr, true, noItems,
     NO_TESTS, "Sets if crosshair will grow in size for spread of fire due to movement and firing.", nullptr},
    {"lblBrass", "Brass Time", "edtBrass", Edit, "cg_brassTime", Text, "2500", false, noItems, TESTS(brassTests),
     "Sets amount of time, in milliseconds, bullet shells get displayed. Range = 0 to 2500", nullptr},
    {"lblDrawGun", "Gun Visible?", "CBDrawGun", Check, "cg_drawGun", OnOff, nullptr, true, noItems,
     TESTS(drawGunTests), "Toggles drawing of gun (and hand) on or off.", nullptr},
    {"lblCHStyle", "Crosshair Style", "CBCHStyle", Combo, "cg_drawCrosshair", Text, "1", false, LIST(styleItems),
     NO_TESTS, "Sets the crosshair style (1 to 10). Preview can be seen below. ", nullptr},
    {"lblCC1", "Crosshair Colour (P)", "CBC1", Combo, "cg_crosshairColor", Text, "White", false, LIST(colourItems),
     NO_TESTS,
     "Sets crosshairs Primary Color. Only the main colors are shown. The preview below does NOT show any color "
     "changes you make here.",
     nullptr},
    {"lblCC2", "Crosshair Colour (S)", "CBC2", Combo, "cg_crosshairColorAlt", Text, "White", false, LIST(colourItems),
     NO_TESTS,
     "Sets crosshairs Secondary Color. Only the main colors are shown. The preview below does NOT show any color "
     "changes you make here.",
     nullptr},
    {"lblAtmospheric", "Atmospheric Effects", "CBAtmospheric", Check, "cg_AtmosphericEffects", OnOff, nullptr, true,
     noItems, TESTS(atmosphericTests), "Toggles if rain, snow and other atmospheric effects are shown.", nullptr},
    {"lblSky", "Sky Shown?", "CBSky", Check, "r_fastSky", LineShape::OnOffInverted, nullptr, true, noItems,
     TESTS(skyTests), "If disabled, no sky will appear.", nullptr},
    {"lblParticles", "Explosion Toggle", "CBParticles", Check, "cg_wolfparticles", OnOff, nullptr, true, noItems,
     TESTS(particlesTests), "Toggles explosion effects on or off.", nullptr},
    {"lblShowBlood", "Show Blood?", "CBShowBlood", Check, "cg_showblood", OnOff, nullptr, true, noItems,
     TESTS(showBloodTests), "Toggles if blood is displayed when soldiers are hit.", nullptr},
    {"lblGibs", "Gib Effects", "CBGibs", Check, "cg_gibs", OnOff, nullptr, true, noItems, TESTS(gibsTests),
     "Toggles gib effects (Flying body parts + blood when injured body is shot) on or off .", nullptr},
    {"lblMarkTime", "Mark Time", "CBMarkTime", Combo, "cg_marktime", Text, "20000", false, LIST(markTimeItems),
     TESTS(markTimeTests),
     "Amount of time in milliseconds bullet/explosion marks will stay on the wall/ground.", nullptr},
    {"lblBloodTime", "Blood Time", "CBBloodTime", Combo, "cg_bloodTime", Text, "120", false, LIST(bloodTimeItems),
     TESTS(bloodTimeTests), "Amount of time in milliseconds blood remains in the map.", nullptr},
    {"lblDepthBits", "Depth Bits", "CBDepthBits", Combo, "r_depthbits", Text, "24", false, LIST(depthBitsItems),
     TESTS(depthBitsTests), "Amount of color depth bits. Higher = Better Quality", nullptr},
    {"lblIntensity", "Game Intensity", "CBIntensity", Combo, "r_Intensity", Text, "1.0", false, LIST(intensityItems),
     NO_TESTS, "Sets game intensity - Higher values make your screen brighter. Range = 0 to 1.5", nullptr},
    {"lblColorBits", "Color Bits", "CBColorBits", Combo, "r_colorbits", Text, "32", false, LIST(colorBitsItems),
     TESTS(colorBitsTests),
     "Amount of color bits of in-game graphics. Higher number = more colors used, better quality.", nullptr},
    {"lblDetailTextures", "Detailed Textures", "CBDetailTextures", Check, "r_detailtextures", OnOff, nullptr, true,
     noItems, TESTS(detailTexturesTests),
     "Sets if detailed textures are used in-game (Objects are textured more for better detail).", nullptr},
    {"lblLodBias", "Level of Detail", "CBLodBias", Combo, "r_lodbias", Text, "1", false, LIST(lodBiasItems),
     TESTS(lodBiasTests), "Sets level of geometric detail. 0 = high detail. 2 = lowest detail.", nullptr},
    {"lblPicMip", "Image Quality", "CBPicMip", Combo, "r_picmip", Text, "1", false, LIST(picMipItems),
     TESTS(picMipTests), "Image quality levels. 0 = highest quality. 3 = lowest quality.", nullptr},
    {"lblTextureBits", "Texture Bits", "CBTextureBits", Combo, "r_texturebits", Text, "32", false,
     LIST(textureBitsItems), TESTS(textureBitsTests),
     "Set the number of bits used for each texture. Higher = Better Quality", nullptr},
    {"lblTextureMode", "Texture Mode", "CBTextureMode", Combo, "r_textureMode", LineShape::Mapped, "TriLinear", false,
     LIST(textureModeItems), TESTS(textureModeTests), "Sets Texture Mode.", nullptr},
    {"lblAllowDownload", "Allow Automatic Download", "CBAllowDownload", Check, "cl_allowDownload", OnOff, nullptr,
     true, noItems, NO_TESTS, "Toggles the automatic downloading of server files.", nullptr},
    {"lblReTransmission", "Allows Re-Transmission of Packets", "CBReTransmission", Check, "cl_packetdup", OnOff,
     nullptr, true, noItems, NO_TESTS,
     "If you are experiencing packet loss, ticking the box will allow the retransmission of lost/missing packets.",
     nullptr},
    {"lblHunkMemory", "Sets the amount of memory available for ET", "edtHunkMemory", Edit, "com_hunkMegs", Text, "56",
     false, noItems, NO_TESTS, "Sets the amount of memory reserved for ET (in MegaBytes - MB).", nullptr},
    {"lblFPS2", "Maximum Frames Per Second", "CBFPS2", Combo, "com_maxfps", Text, "54", false, LIST(maxFpsItems),
     TESTS(maxFpsTests),
     "Sets maximum Frames Per Second (FPS). Tweaking may lead to better jumping+motion in game.", nullptr},
    {"lblSmoothing", "Allow use of mouse Smoothing", "CBSmoothing", Check, "m_filter", OnOff, nullptr, false, noItems,
     NO_TESTS, "Toggles mouse smoothing on/off.", nullptr},
    {"lblMaxPackets", "Max Packets", "edtMaxPackets", Edit, "cl_maxpackets", Text, "43", false, noItems, NO_TESTS,
     "Sets the transmission packet size or how many packets are sent to client.", nullptr},
    {"lblBobPitch", "Amount player view bobs Back/Forth", "edtBobPitch", Edit, "cg_bobpitch", Text, "0.002", false,
     noItems, NO_TESTS,
     "Sets the amount the player view moves forward/backwards whilst in motion. Range = 0 to 0.002", nullptr},
    {"lblBobRoll", "Amount player view rolls", "edtBobRoll", Edit, "cg_bobroll", Text, "0.002", false, noItems,
     NO_TESTS, "Sets the amount the player view moves side to side whilst in motion. Range = 0 to 0.002", nullptr},
    {"lblBobUp", "Amount player view bobs Up/Down", "edtBobUp", Edit, "cg_bobup", Text, "0.005", false, noItems,
     NO_TESTS, "Sets the amount the player view moves vertically whilst in motion. Range = 0 to 0.005", nullptr},
    {"lblBobYaw", "Bob Yaw", "edtBobYaw", Edit, "cg_bobyaw", Text, "0.002", false, noItems, NO_TESTS,
     "Sets amount of the \"bob\" yaw (moving left and right) effect whilst in motion. Range = 0 to 0.002", nullptr},
    {"lblRunPitch", "Amount player view bobs up/down whilst running", "edtRunPitch", Edit, "cg_runpitch", Text,
     "0.002", false, noItems, NO_TESTS,
     "Sets the amount the player view moves up and down whilst running. Range = 0 to 0.002", nullptr},
    {"lblRunRoll", "Amount player view rolls side to side whilst running", "edtRunRoll", Edit, "cg_runroll", Text,
     "0.005", false, noItems, NO_TESTS,
     "Sets the amount the player view moves side to side whilst running. Range = 0 to 0.005", nullptr},
};

const ScriptBlock scriptBlocks[ScriptCount] = {
    {"CBFovScript", "edtScript1", "mouse1", 1, TESTS(fovLines), "\"+vstr shooton shootoff\""},
    {"CBClock", "edtScript2", "F9", 2, TESTS(clockLines), "\"vstr clock\""},
    {"CBAkimbo", "edtScript4", "H", 4, TESTS(akimboLines),
     "\"+attack; -attack; +attack; -attack; +attack; -attack; +attack; -attack; +attack; -attack; +attack; -attack; "
     "+attack; -attack; +attack; -attack; +attack; -attack; +attack; -attack; wait 1;\""},
    {"CBDemo", "edtScript3", "F8", 3, TESTS(demoLines), "\"vstr demor\""},
};

const ClassBind classBinds[ClassBindCount] = {
    {"Ssmg", "Sub-Machine Gun", "edtSsmg", "kp_ins", 5, "\"class s 1; echo Soldier - SMG;\""},
    {"Smg42", "MG-42", "edtSmg42", "kp_end", 6, "\"class s 2; echo Soldier - MG-42;\""},
    {"Sflamer", "Flame Thrower", "edtSflamer", "kp_downarrow", 7, "\"class s 3; echo Soldier - FlameThrower;\""},
    {"Spanza", "Panzafaust", "edtSpanza", "kp_pgdn", 8, "\"class s 4; echo Soldier - Panzafaust;\""},
    {"Smortar", "Mortar", "edtSmortar", "kp_leftarrow", 9, "\"class s 5; echo Soldier - Mortar;\""},
    {"Msmg", "Sub-Machine Gun", "edtMsmg", "kp_5", 10, "\"class m 1; echo Medic - SMG;\""},
    {"Esmg", "Sub-Machine Gun", "edtEsmg", "kp_rightarrow", 11, "\"class e 1; echo Engineer - SMG;\""},
    {"Erifle", "Rifle", "edtErifle", "kp_home", 12, "\"class e 2; echo Engineer - Rifle;\""},
    {"Fsmg", "Sub-Machine Gun", "edtFsmg", "kp_uparrow", 13, "\"class f 1; echo Field Op. - SMG;\""},
    {"Csten", "Sten", "edtCsten", "kp_pgup", 14, "\"class c 1; echo Cov. Op. - Sten;\""},
    {"Cfg42", "FG42", "edtCfg42", "kp_del", 15, "\"class c 2; echo Cov. Op. - FG42;\""},
    {"Csilenced", "Silenced Rifle", "edtCsilenced", "kp_enter", 16, "\"class c 3; echo Cov. Op. - Silenced Rifle;\""},
};

const TextureMode textureModes[2] = {
    {"BiLinear", "GL_LINEAR_MIPMAP_NEAREST"},
    {"TriLinear", "GL_LINEAR_MIPMAP_LINEAR"},
};

const char *const unbindAllCheckBox = "CBUnBindAll";
const char *const unbindAllLine = "UnbindAll";

int settingIndex(const char *control)
{
    for (int i = 0; i < SettingCount; ++i) {
        if (std::strcmp(settingRows[i].control, control) == 0)
            return i;
    }
    return -1;
}

bool meterReadsNumber(const SettingRow &row)
{
    if (row.testCount == 0)
        return false;
    const TestKind kind = row.tests[0].kind;
    return kind == TestKind::AtLeast || kind == TestKind::LessThan || kind == TestKind::Equals;
}

} // namespace brackwell
