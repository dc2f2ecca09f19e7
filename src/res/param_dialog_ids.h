#pragma once

// The control IDs of the parameter settings dialog (template 148).
namespace kaviro::param_ids {

// 蓄电池最小电压
inline constexpr int kBatteryMinCaption = 1374;
inline constexpr int kBatteryMinDisplay = 1301;
inline constexpr int kBatteryMinUnit = 1375;
inline constexpr int kBatteryMinRead = 1300;
inline constexpr int kBatteryMinSetTo = 3;
inline constexpr int kBatteryMinInput = 1302;
inline constexpr int kBatteryMinInputUnit = 1376;
inline constexpr int kBatteryMinRange = 1377;
inline constexpr int kBatteryMinSet = 1303;

// 蓄电池最大电压
inline constexpr int kBatteryMaxCaption = 1378;
inline constexpr int kBatteryMaxDisplay = 1304;
inline constexpr int kBatteryMaxUnit = 1379;
inline constexpr int kBatteryMaxRead = 1305;
inline constexpr int kBatteryMaxSetTo = 1380;
inline constexpr int kBatteryMaxInput = 1306;
inline constexpr int kBatteryMaxInputUnit = 1381;
inline constexpr int kBatteryMaxRange = 1382;
inline constexpr int kBatteryMaxSet = 1307;

// 负载额定电流
inline constexpr int kLoadRatedCurrentCaption = 1383;
inline constexpr int kLoadRatedCurrentDisplay = 1308;
inline constexpr int kLoadRatedCurrentUnit = 1384;
inline constexpr int kLoadRatedCurrentRead = 1309;
inline constexpr int kLoadRatedCurrentSetTo = 1385;
inline constexpr int kLoadRatedCurrentInput = 1310;
inline constexpr int kLoadRatedCurrentInputUnit = 1386;
inline constexpr int kLoadRatedCurrentRange = 1387;
inline constexpr int kLoadRatedCurrentSet = 1311;

// 蓄电池充电电流限制
inline constexpr int kChargeCurrentLimitDisplay = 1312;
inline constexpr int kChargeCurrentLimitRead = 1313;
inline constexpr int kChargeCurrentLimitInput = 1314;
inline constexpr int kChargeCurrentLimitSet = 1315;

// 均衡时间
inline constexpr int kEqualizeTimeDisplay = 1320;
inline constexpr int kEqualizeTimeRead = 1321;
inline constexpr int kEqualizeTimeInput = 1322;
inline constexpr int kEqualizeTimeSet = 1323;

// Ev_reg< >Ev_eq连续时间不再均衡
inline constexpr int kEqualizeGiveUpDisplay = 1324;
inline constexpr int kEqualizeGiveUpRead = 1325;
inline constexpr int kEqualizeGiveUpInput = 1326;
inline constexpr int kEqualizeGiveUpSet = 1327;

// 蓄电池最大温度补偿温度
inline constexpr int kTempCompMaxDisplay = 1328;
inline constexpr int kTempCompMaxRead = 1339;
inline constexpr int kTempCompMaxInput = 1350;
inline constexpr int kTempCompMaxSet = 1361;

// 蓄电池最小温度补偿温度
inline constexpr int kTempCompMinDisplay = 1329;
inline constexpr int kTempCompMinRead = 1340;
inline constexpr int kTempCompMinInput = 1351;
inline constexpr int kTempCompMinSet = 1362;

// 蓄电池维护间隔周期
inline constexpr int kMaintenanceDaysDisplay = 1330;
inline constexpr int kMaintenanceDaysRead = 1341;
inline constexpr int kMaintenanceDaysInput = 1352;
inline constexpr int kMaintenanceDaysSet = 1363;

// 负载高压断开电压
inline constexpr int kLoadHvdDisplay = 1331;
inline constexpr int kLoadHvdRead = 1342;
inline constexpr int kLoadHvdInput = 1353;
inline constexpr int kLoadHvdSet = 1364;

// 负载高压断开重连电压
inline constexpr int kLoadHvrDisplay = 1332;
inline constexpr int kLoadHvrRead = 1343;
inline constexpr int kLoadHvrInput = 1354;
inline constexpr int kLoadHvrSet = 1365;

// 负载低压断开电压
inline constexpr int kLoadLvdDisplay = 1333;
inline constexpr int kLoadLvdRead = 1344;
inline constexpr int kLoadLvdInput = 1355;
inline constexpr int kLoadLvdSet = 1366;

// 负载低压断开重连电压
inline constexpr int kLoadLvrDisplay = 1334;
inline constexpr int kLoadLvrRead = 1345;
inline constexpr int kLoadLvrInput = 1356;
inline constexpr int kLoadLvrSet = 1367;

// 低压断开报警延时
inline constexpr int kLvdAlarmDelayDisplay = 1335;
inline constexpr int kLvdAlarmDelayRead = 1346;
inline constexpr int kLvdAlarmDelayInput = 1357;
inline constexpr int kLvdAlarmDelaySet = 1368;

// 照明控制模式
inline constexpr int kLightingModeDisplay = 1337;
inline constexpr int kLightingModeRead = 1348;
inline constexpr int kLightingModeInput = 1359;
inline constexpr int kLightingModeSet = 1370;

// 控制器时间设置
inline constexpr int kClockDate = 1372;
inline constexpr int kClockTime = 1373;
inline constexpr int kClockRead = 1349;
inline constexpr int kClockSet = 1371;

// 485连接RD设置
inline constexpr int kRdLinkDisplay = 1338;
inline constexpr int kRdLinkRead = 1360;
inline constexpr int kRdLinkInput = 1462;
inline constexpr int kRdLinkSet = 1464;

// 电池节数自动检测与拨码开关冲突处理
inline constexpr int kCellConflictDisplay = 1467;
inline constexpr int kCellConflictRead = 1469;
inline constexpr int kCellConflictInput = 1471;
inline constexpr int kCellConflictSet = 1473;

// 进入浮充的电流
inline constexpr int kFloatEntryCurrentCaption = 1393;
inline constexpr int kFloatEntryCurrentDisplay = 1316;
inline constexpr int kFloatEntryCurrentUnit = 1394;
inline constexpr int kFloatEntryCurrentRead = 1317;
inline constexpr int kFloatEntryCurrentSetTo = 1395;
inline constexpr int kFloatEntryCurrentInput = 1318;
inline constexpr int kFloatEntryCurrentInputUnit = 1396;
inline constexpr int kFloatEntryCurrentRange = 1397;
inline constexpr int kFloatEntryCurrentSet = 1319;

// 负载过载延时
inline constexpr int kOverloadDelayCaption = 1448;
inline constexpr int kOverloadDelayDisplay = 1336;
inline constexpr int kOverloadDelayUnit = 1449;
inline constexpr int kOverloadDelayRead = 1347;
inline constexpr int kOverloadDelaySetTo = 1450;
inline constexpr int kOverloadDelayInput = 1358;
inline constexpr int kOverloadDelayInputUnit = 1451;
inline constexpr int kOverloadDelayRange = 1452;
inline constexpr int kOverloadDelaySet = 1369;

}  // namespace kaviro::param_ids
