#include "admin/DetailReport.h"

#include "InfoDocuments.h"
#include "common/BothLanguages.h"
#include "support/StringTable.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using AdminTesting::RemoveInfoNodes;
using AdminTesting::SampleInfoDevice;
using Korvane::CDetailReport;
using Korvane::CManagedDevice;

// The report as it must read for the three sample documents, line by line (without the "\r\n"
// that ends every line). Each section ends with an empty line.

const std::vector<std::string> kSystemX = {
    "【システム情報】 ",
    "    プロダクト名                         : QRX-XR4",
    "    システムバージョン                   : 1.42",
    "    Microsoft ネットワーク共有           : 有効",
    "    AppleShare ネットワーク共有          : 有効",
    "    FTP 共有                             : 無効",
    "    DLNA 共有                            : 有効",
    "    ネットワークバックアップの許可       : 有効",
    "    使用量制限                           : 有効",
    "    内蔵ボリュームの動作モード           : RAID6 (4 台)",
    "    net.USB                              : 無効",
    "    クイックコピー                       : 有効 (usbcopy)",
    "    バックアップスケジュール             : 有効",
    "    ディスク省電力                       : 30 分後",
    "    ランプの明るさ                       : 明",
    "    起動スケジュール                     : 有効",
    "    ファームウェアー更新通知機能         : 有効",
    "    筐体内温度                           : 41 ℃",
    "    UPS 接続状態　　　　　　　   　　　  : 正常",
    "    UPS バッテリー残量                   : 100%",
    "    UPS 警告機能                         : 有効",
    "",
};

const std::vector<std::string> kSystemH = {
    "【システム情報】 ",
    "    プロダクト名                         : QRX4-H",
    "    システムバージョン                   : 1.10",
    "    Microsoft ネットワーク共有           : 有効",
    "    AppleShare ネットワーク共有          : 無効",
    "    FTP 共有                             : 有効",
    "    DLNA 共有                            : 無効",
    "    ネットワークバックアップの許可       : 無効",
    "    使用量制限                           : 有効",
    "    内蔵ボリュームの動作モード           : 暗号化RAID5 + スペアー (4 台)",
    "    net.USB                              : 有効 (USB2)",
    "    クイックコピー                       : 無効",
    "    バックアップスケジュール             : 有効",
    "    ディスク省電力                       : 1 時間後",
    "    ランプの明るさ                       : 中",
    "    起動スケジュール                     : 無効",
    "    ファームウェアー更新通知機能         : 無効",
    "    筐体内温度                           : 38 ℃",
    "    UPS 接続状態　　　　　　　   　　　  : 正常",
    "    UPS バッテリー残量                   : 100%",
    "    UPS 警告機能                         : 有効",
    "",
};

const std::vector<std::string> kSystemXv = {
    "【システム情報】 ",
    "    プロダクト名                         : QRX-XV2",
    "    システムバージョン                   : 2.03",
    "    Microsoft ネットワーク共有           : 有効",
    "    AppleShare ネットワーク共有          : 有効",
    "    FTP 共有                             : 無効",
    "    DLNA 共有                            : 無効",
    "    ネットワークバックアップの許可       : 有効",
    "    使用量制限                           : -",
    "    内蔵ボリュームの動作モード           : RAID1 (2 台)",
    "    net.USB                              : 無効",
    "    クイックコピー                       : 無効",
    "    バックアップスケジュール             : 無効",
    "    ディスク省電力                       : 無効",
    "    ランプの明るさ                       : 暗",
    "    起動スケジュール                     : 有効",
    "    ファームウェアー更新通知機能         : 有効",
    "    筐体内温度                           : 44 ℃",
    "    UPS 接続状態　　　　　　　   　　　  : 正常",
    "    UPS バッテリー残量                   : 95%",
    "    UPS 警告機能                         : 無効",
    "",
};

const std::vector<std::string> kRaidX = {
    "【RAID 情報】 ",
    "    動作モード                           : RAID6 (4 台)",
    "    状態                                 : 正常",
    "    ボリューム情報 :",
    "        全容量                           : 3990GB (3990891872256Bytes)",
    "        使用容量                         : 1245GB (1245810032640 Bytes) 31%",
    "    構成ディスク :",
    "        内蔵ディスク 1                   : 接続済 VELDRIS VD2000-S72 CC43",
    "        内蔵ディスク 2                   : 接続済 VELDRIS VD2000-S72 CC43",
    "        内蔵ディスク 3                   : 接続済 VELDRIS VD2000-S72 CC45",
    "        内蔵ディスク 4                   : 接続済 NORDAKE NK2T-7K A1B0",
    "",
};

const std::vector<std::string> kRaidH = {
    "【RAID 情報】 ",
    "    動作モード                           : 暗号化RAID5 + スペアー (4 台)",
    "    状態                                 : 正常",
    "    ボリューム情報 :",
    "        全容量                           : 5992GB (5992587239424Bytes)",
    "        使用容量                         : 4123GB (4123168604160 Bytes) 68%",
    "    構成ディスク :",
    "        内蔵ディスク 1                   : 接続済 NORDAKE NK3T-7K A2C1",
    "        内蔵ディスク 2                   : 接続済 NORDAKE NK3T-7K A2C1",
    "        内蔵ディスク 3                   : 接続済 NORDAKE NK3T-7K A2C3",
    "        内蔵ディスク 4                   : スペアディスク VELDRIS VD3000-S72 CD10",
    "",
};

const std::vector<std::string> kRaidXv = {
    "【RAID 情報】 ",
    "    動作モード                           : RAID1 (2 台)",
    "    状態                                 : 正常",
    "    ボリューム情報 :",
    "        全容量                           : 995GB (995635478528Bytes)",
    "        使用容量                         : 512GB (512813203456 Bytes) 51%",
    "    構成ディスク :",
    "        内蔵ディスク 1                   : 接続済 VELDRIS VD1000-S54 BA07",
    "        内蔵ディスク 2                   : 接続済 VELDRIS VD1000-S54 BA07",
    "",
};

const std::vector<std::string> kEsataX = {
    "【eSATA ボリューム情報】 ",
    "    eSATA ボリューム1 :",
    "    動作モード                           : 拡張ボリューム",
    "    状態                                 : 接続済",
    "    ボリューム情報 :",
    "        全容量                           : 1000GB (1000204886016Bytes)",
    "        使用容量                         : 402GB (402653184000 Bytes) 40%",
    "",
};

const std::vector<std::string> kEsataXv = {
    "【eSATA ボリューム情報】 ",
    "    eSATA ボリューム1 :",
    "    動作モード                           : 共有モード",
    "    状態                                 : 接続済",
    "    ボリューム情報 :",
    "        全容量                           : 2000GB (2000396746752Bytes)",
    "        使用容量                         : 1320GB (1320031395840 Bytes) 65%",
    "",
};

const std::vector<std::string> kUsbX = {
    "【USB ボリューム情報】 ",
    "    USB ボリューム1 :",
    "    動作モード                           : クイックコピー",
    "    状態                                 : 接続済",
    "    ボリューム情報 :",
    "        全容量                           : 500GB (500107862016Bytes)",
    "        使用容量                         : 88GB (88210432000 Bytes) 17%",
    "    USB ボリューム2 :",
    "    動作モード                           : 共有モード",
    "    状態                                 : 未接続",
    "",
};

const std::vector<std::string> kUsbH = {
    "【USB ボリューム情報】 ",
    "    USB ボリューム1 :",
    "    動作モード                           : 共有モード",
    "    状態                                 : 接続済",
    "    ボリューム情報 :",
    "        全容量                           : 2000GB (2000398934016Bytes)",
    "        使用容量                         : 731GB (731271872512 Bytes) 36%",
    "    USB ボリューム2 :",
    "    動作モード                           : net.USB",
    "    状態                                 : 未接続",
    "    USB ボリューム3 :",
    "    動作モード                           : ミラーリング",
    "    状態                                 : 接続済",
    "    ボリューム情報 :",
    "        全容量                           : 6001GB (6001175126016Bytes)",
    "        使用容量                         : 4123GB (4123168604160 Bytes) 68%",
    "    USB ボリューム4 :",
    "    動作モード                           : 共有モード",
    "    状態                                 : 未接続",
    "",
};

const std::vector<std::string> kUsbXv = {
    "【USB ボリューム情報】 ",
    "    USB ボリューム1 :",
    "    動作モード                           : 共有モード",
    "    状態                                 : 未接続",
    "    USB ボリューム2 :",
    "    動作モード                           : ミラーリング",
    "    状態                                 : 待機中",
    "    ボリューム情報 :",
    "        全容量                           : 1000GB (1000170586112Bytes)",
    "        使用容量                         : 512GB (512813203456 Bytes) 51%",
    "",
};

const std::vector<std::string> kNetworkX = {
    "【ネットワーク情報】 ",
    "    KORVANE の名前                       : KORVANE-SOUMU",
    "    KORVANE の説明                       : 総務部 共有ストレージ (3F サーバー室)",
    "    IPv6 を使用する                      : 有効",
    "    LAN :",
    "        IPv4 DHCP クライアント           : 有効",
    "        IPv4 アドレス                    : 198.18.10.21",
    "        IPv4 サブネットマスク            : 255.255.255.0",
    "        IPv6 DHCP クライアント           : 無効",
    "        IPv6 アドレス                    : fe80::4b:56ff:fe1a:73c",
    "        IPv6 プレフィックス長            : 64",
    "        ジャンボフレーム                 : 1500",
    "        MAC アドレス                     : 02:4B:56:1A:07:3C",
    "        Wake On LAN                      : 有効",
    "    EXT :",
    "        IPv4 DHCP クライアント           : -",
    "        IPv4 アドレス                    : -",
    "        IPv4 サブネットマスク            : -",
    "        IPv6 DHCP クライアント           : -",
    "        IPv6 アドレス                    : -",
    "        IPv6 プレフィックス長            : -",
    "        ジャンボフレーム                 : -",
    "        MAC アドレス                     : -",
    "    共通設定 :",
    "        IPv4 設定方法                    : LAN から自動で取得する",
    "        IPv4 デフォルトゲートウェイ      : 198.18.10.1",
    "        IPv6 設定方法                    : LAN から自動で取得する",
    "        IPv6 デフォルトゲートウェイ      : fe80::1",
    "        DNS サーバーアドレス             : 198.18.10.1",
    "    ワークグループ                       : SOUMU",
    "    WINS サーバーアドレス                : 198.18.10.5",
    "",
};

const std::vector<std::string> kNetworkH = {
    "【ネットワーク情報】 ",
    "    KORVANE の名前                       : KORVANE-KEIRI",
    "    KORVANE の説明                       : 経理部 ファイルサーバー",
    "    IPv6 を使用する                      : 有効",
    "    LAN1 :",
    "        IPv4 DHCP クライアント           : 無効",
    "        IPv4 アドレス                    : 198.18.20.31",
    "        IPv4 サブネットマスク            : 255.255.255.0",
    "        IPv6 DHCP クライアント           : 無効",
    "        IPv6 アドレス                    : fe80::4b:56ff:fe2c:4190",
    "        IPv6 プレフィックス長            : 64",
    "        ジャンボフレーム                 : 9000",
    "        MAC アドレス                     : 02:4B:56:2C:41:90",
    "        Wake On LAN                      : 無効",
    "    LAN2 :",
    "        IPv4 DHCP クライアント           : 有効",
    "        IPv4 アドレス                    : 198.19.40.112",
    "        IPv4 サブネットマスク            : 255.255.255.0",
    "        IPv6 DHCP クライアント           : 有効",
    "        IPv6 アドレス                    : fe80::4b:56ff:fe2c:4191",
    "        IPv6 プレフィックス長            : 64",
    "        ジャンボフレーム                 : 1500",
    "        MAC アドレス                     : 02:4B:56:2C:41:91",
    "    共通設定 :",
    "        IPv4 設定方法                    : LAN2 から自動で取得する",
    "        IPv4 デフォルトゲートウェイ      : 198.19.40.1",
    "        IPv6 設定方法                    : 手動で設定する",
    "        IPv6 デフォルトゲートウェイ      : fe80::1",
    "        DNS サーバーアドレス             : fe80::35",
    "    ドメイン名                           : KEIRI",
    "    ドメインコントローラーの名前         : KEIRI-PDC",
    "    WINS サーバーアドレス                : 198.18.20.2",
    "",
};

const std::vector<std::string> kNetworkXv = {
    "【ネットワーク情報】 ",
    "    KORVANE の名前                       : KORVANE-DEV01",
    "    KORVANE の説明                       : 開発部 ソース・ビルド成果物置き場",
    "    IPv6 を使用する                      : 無効",
    "    LAN :",
    "        IPv4 DHCP クライアント           : 無効",
    "        IPv4 アドレス                    : 198.18.30.41",
    "        IPv4 サブネットマスク            : 255.255.254.0",
    "        ジャンボフレーム                 : 4084",
    "        MAC アドレス                     : 0A:4B:56:3E:88:05",
    "        Wake On LAN                      : 有効",
    "    追加設定 :",
    "        IPv4 設定方法                    : 手動で設定する",
    "        IPv4 デフォルトゲートウェイ      : 198.18.30.1",
    "        DNS サーバーアドレス             : 198.18.30.53",
    "　　ドメイン名(NetBIOS 名)               : KAIHATSU",
    "    ドメイン名(フル DNS 名)              : kaihatsu.kvn.test",
    "    ドメインコントローラーの名前         : dc01",
    "    管理者ユーザ名                       : Administrator",
    "    WINS サーバーアドレス                : -",
    "",
};

const std::vector<std::string> kFoldersX = {
    "【共有フォルダー情報】 ",
    "    共有フォルダー : soumu",
    "        説明                             : 総務部 共有フォルダー",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 有効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : 有効",
    "            リモートアクセス             : 無効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 有効",
    "    共有フォルダー : jinji",
    "        説明                             : 人事 (閲覧は人事課のみ)",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 有効",
    "            隠し共有                     : 有効",
    "            使用量制限                   : 有効",
    "            リモートアクセス             : 無効",
    "        AppleShare ネットワーク共有      : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 有効",
    "    共有フォルダー : photo",
    "        説明                             : 社内行事の写真",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 無効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : 無効",
    "            リモートアクセス             : 有効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 無効",
    "        FTP 共有                         : 有効",
    "        DLNA 共有                        : 有効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 無効",
    "        ネットワークバックアップ許可     : 無効",
    "    共有フォルダー : tm_backup",
    "        説明                             : Mac の Time Machine 用",
    "        Microsoft ネットワーク共有       : 無効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 有効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 無効",
    "    共有フォルダー : usbcopy",
    "        説明                             : USB クイックコピーの保存先",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 無効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : 無効",
    "            リモートアクセス             : 無効",
    "        AppleShare ネットワーク共有      : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 有効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 無効",
    "",
};

const std::vector<std::string> kFoldersXv = {
    "【共有フォルダー情報】 ",
    "    共有フォルダー : src",
    "        説明                             : ソースコードのアーカイブ",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 有効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : -",
    "            リモートアクセス             : 無効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 有効",
    "    共有フォルダー : release",
    "        説明                             : リリース版の成果物 (読み取り専用)",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 無効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : -",
    "            リモートアクセス             : 有効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 有効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 有効",
    "    共有フォルダー : mac_tm",
    "        説明                             : 開発用 Mac のバックアップ",
    "        Microsoft ネットワーク共有       : 無効",
    "        AppleShare ネットワーク共有      : 有効",
    "            TimeMachine                  : 有効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 有効",
    "        ネットワークバックアップ許可     : 無効",
    "    共有フォルダー : tmp",
    "        説明                             : 一時置き場 (毎月末に削除)",
    "        Microsoft ネットワーク共有       : 有効",
    "            ゴミ箱                       : 無効",
    "            隠し共有                     : 無効",
    "            使用量制限                   : -",
    "            リモートアクセス             : 無効",
    "        AppleShare ネットワーク共有      : 無効",
    "        FTP 共有                         : 無効",
    "        DLNA 共有                        : 無効",
    "        読み取り専用                     : 無効",
    "        非登録ユーザーからのアクセス拒否 : 無効",
    "        ネットワークバックアップ許可     : 無効",
    "",
};

const std::vector<std::string> kUsersX = {
    "【ユーザー情報】 ",
    "    ユーザー     : admin",
    "        フルネーム                       : 管理者",
    "        説明                             : 装置の管理用アカウント",
    "    ユーザー     : yamada",
    "        フルネーム                       : 山田 花子",
    "        説明                             : 総務課",
    "    ユーザー     : suzuki",
    "        フルネーム                       : 鈴木 一郎",
    "        説明                             : 人事課",
    "    ユーザー     : tanaka",
    "        フルネーム                       : 田中 健太",
    "        説明                             : -",
    "    ユーザー     : scanner",
    "        フルネーム                       : -",
    "        説明                             : 複合機のスキャン保存用",
    "",
};

const std::vector<std::string> kGroupsX = {
    "【グループ情報】 ",
    "    グループ     : soumu",
    "        メンバー                         : yamada",
    "        メンバー                         : tanaka",
    "        メンバー                         : scanner",
    "    グループ     : jinji",
    "        メンバー                         : suzuki",
    "    グループ     : all_staff",
    "        メンバー                         : yamada",
    "        メンバー                         : suzuki",
    "        メンバー                         : tanaka",
    "",
};

const std::vector<std::string> kGroupsH = {
    "【グループ情報】 ",
    "    グループ     : keiri",
    "        メンバー                         : sato",
    "        メンバー                         : ito",
    "    グループ     : zaimu",
    "        メンバー                         : watanabe",
    "        メンバー                         : sato",
    "    グループ     : kansa",
    "        メンバー                         : kobayashi",
    "    グループ     : gaibu",
    "",
};

const std::vector<std::string> kLogXv = {
    "【ログ情報】 ",
    "2025/03/13 19:02:11 [情報] ファームウェアーを 2.03 に更新しました。\n"
    "2025/03/13 19:04:36 [情報] システムが起動しました。\n"
    "2025/03/13 19:04:52 [情報] Active Directory ドメイン KAIHATSU に参加しました。\n"
    "2025/03/13 22:00:00 [情報] 起動スケジュールにより電源を切ります。\n"
    "2025/03/14 07:32:09 [情報] システムが起動しました。\n"
    "2025/03/14 07:32:31 [注意] USB ポート 2 "
    "のディスクが待機状態です。ミラーリングは次回の同期で再開します。\n"
    "2025/03/14 09:47:20 [情報] ユーザー kimura が AppleShare ネットワーク共有に接続しました。",
};

// The lines of a text whose every line ends in "\r\n".
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd = text.find("\r\n"); nEnd != std::string::npos; nEnd = text.find("\r\n", nStart)) {
        lines.push_back(text.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    EXPECT_EQ(nStart, text.size()) << "text after the last line end: " << text.substr(nStart);
    return lines;
}

std::string Joined(std::initializer_list<const std::vector<std::string>*> parts) {
    std::string text;
    for (const std::vector<std::string>* pLines : parts) {
        for (const std::string& line : *pLines) {
            text += line + "\r\n";
        }
    }
    return text;
}

void ExpectLines(const std::string& text, const std::vector<std::string>& expected) {
    const std::vector<std::string> actual = Lines(text);
    for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        EXPECT_EQ(i < actual.size() ? actual[i] : "<missing>", i < expected.size() ? expected[i] : "<extra>")
            << "line " << i;
    }
}

class DetailReportOfSample : public testing::Test {
protected:
    using ExpectedSections = std::initializer_list<std::pair<int, const std::vector<std::string>*>>;

    static CDetailReport ReportOf(const std::string& family) {
        return CDetailReport(SampleInfoDevice(family));
    }

    static void ExpectSections(const std::string& family, ExpectedSections sections) {
        const CDetailReport report = ReportOf(family);
        for (const auto& [nSection, pLines] : sections) {
            SCOPED_TRACE(family + " section " + std::to_string(nSection));
            ExpectLines(report.SectionText(nSection), *pLines);
        }
    }
};

TEST_F(DetailReportOfSample, QrxXSectionsReadLineByLineAsExpected) {
    ExpectSections("qrx-x", {{Korvane::SECTION_SYSTEM, &kSystemX},
                             {Korvane::SECTION_RAID, &kRaidX},
                             {Korvane::SECTION_ESATA, &kEsataX},
                             {Korvane::SECTION_USB, &kUsbX},
                             {Korvane::SECTION_NETWORK, &kNetworkX},
                             {Korvane::SECTION_FOLDERS, &kFoldersX},
                             {Korvane::SECTION_USERS, &kUsersX},
                             {Korvane::SECTION_GROUPS, &kGroupsX}});
}

// The LAN1/LAN2 model of the older firmware line: "temparture", "flame/flamesize", an IPv4
// element without a family, an empty IPv4 DNS server and no eSATA port.
TEST_F(DetailReportOfSample, QrxHSectionsReadLineByLineAsExpected) {
    ExpectSections("qrx-h", {{Korvane::SECTION_SYSTEM, &kSystemH},
                             {Korvane::SECTION_RAID, &kRaidH},
                             {Korvane::SECTION_USB, &kUsbH},
                             {Korvane::SECTION_NETWORK, &kNetworkH},
                             {Korvane::SECTION_GROUPS, &kGroupsH}});
    const CDetailReport report = ReportOf("qrx-h");
    EXPECT_FALSE(report.HasSection(Korvane::SECTION_ESATA));
    EXPECT_EQ(report.SectionText(Korvane::SECTION_ESATA), "");
}

// One port only, IPv6 switched off, Active Directory, no quota function.
TEST_F(DetailReportOfSample, QrxXvSectionsReadLineByLineAsExpected) {
    ExpectSections("qrx-xv", {{Korvane::SECTION_SYSTEM, &kSystemXv},
                              {Korvane::SECTION_RAID, &kRaidXv},
                              {Korvane::SECTION_ESATA, &kEsataXv},
                              {Korvane::SECTION_USB, &kUsbXv},
                              {Korvane::SECTION_NETWORK, &kNetworkXv},
                              {Korvane::SECTION_FOLDERS, &kFoldersXv},
                              {Korvane::SECTION_LOG, &kLogXv}});
}

TEST_F(DetailReportOfSample, GroupSectionsAreTheirHeaderFollowedByTheirMembers) {
    const CDetailReport x = ReportOf("qrx-x");
    const std::vector<std::string> volumesHeader = {"【ボリューム情報】 "};
    EXPECT_EQ(x.SectionText(Korvane::SECTION_VOLUMES), Joined({&volumesHeader, &kRaidX, &kEsataX, &kUsbX}));
    const std::vector<std::string> sharingHeader = {"【共有情報】 "};
    EXPECT_EQ(x.SectionText(Korvane::SECTION_SHARING),
              Joined({&sharingHeader, &kFoldersX, &kUsersX, &kGroupsX}));

    const CDetailReport h = ReportOf("qrx-h");
    EXPECT_EQ(h.SectionText(Korvane::SECTION_VOLUMES), Joined({&volumesHeader, &kRaidH, &kUsbH}));
}

TEST_F(DetailReportOfSample, WholeReportHoldsTheTopLevelSectionsInTreeOrder) {
    const CDetailReport report = ReportOf("qrx-xv");
    const std::string whole = report.SectionText(Korvane::SECTION_DEVICE);
    ASSERT_TRUE(whole.starts_with("【KORVANE 情報】 \r\n【システム情報】 \r\n"));
    std::string expected = "【KORVANE 情報】 \r\n";
    for (int nSection : {Korvane::SECTION_SYSTEM, Korvane::SECTION_VOLUMES, Korvane::SECTION_NETWORK,
                         Korvane::SECTION_SHARING, Korvane::SECTION_LOG}) {
        expected += report.SectionText(nSection);
    }
    EXPECT_EQ(whole, expected);
    EXPECT_TRUE(whole.ends_with("AppleShare ネットワーク共有に接続しました。\r\n"));
    EXPECT_NE(whole.find(Joined({&kSystemXv})), std::string::npos);
    EXPECT_NE(whole.find(Joined({&kNetworkXv})), std::string::npos);
}

// Display columns in the report's monospace font: every non-ASCII character the labels use is
// full-width.
int ColumnOf(std::string_view head) {
    int nColumns = 0;
    for (unsigned char c : head) {
        if (c < 0x80) {
            ++nColumns;
        } else if (c >= 0xC0) {
            nColumns += 2;
        }
    }
    return nColumns;
}

// The name lines of shares, users and groups: whole lines of the table, not padded to the column.
bool IsUnpaddedFormat(std::string_view line) {
    for (const int nFormatId : {21300, 21314, 21317}) {
        const std::string_view format = Zelt::CStringTable::Text(nFormatId);
        if (line.starts_with(format.substr(0, format.find("%s")))) {
            return true;
        }
    }
    return false;
}

// The report in the program's language.
class DetailReportInLanguage : public KorvaneTesting::ProgramInLanguage {};

TEST_P(DetailReportInLanguage, EveryValueLineHasItsColonAtColumn41AfterASpace) {
    for (const char* pszFamily : {"qrx-x", "qrx-h", "qrx-xv"}) {
        const CDetailReport report(SampleInfoDevice(pszFamily));
        size_t nChecked = 0;
        for (const std::string& line : Lines(report.SectionText(Korvane::SECTION_DEVICE))) {
            const size_t nColon = line.find(": ");
            if (!line.starts_with("    ") && !line.starts_with("　　")) {
                continue; // headers, empty lines, the log
            }
            if (nColon == std::string::npos || IsUnpaddedFormat(line)) {
                continue; // headings such as "    LAN :", and the name lines of shares, users, groups
            }
            EXPECT_EQ(ColumnOf(std::string_view(line).substr(0, nColon)), 41) << pszFamily << ": " << line;
            EXPECT_EQ(line[nColon - 1], ' ') << "a label that fills the column runs into its colon: " << line;
            ++nChecked;
        }
        EXPECT_GT(nChecked, 100u) << pszFamily;
    }
}

KORVANE_IN_BOTH_LANGUAGES(DetailReportInLanguage);

// A filter (korvanectl's escaping) writes every value from the device; the log keeps its own line ends.
TEST_F(DetailReportOfSample, AFilterWritesEveryValueAndTheLogKeepsItsLineEnds) {
    CManagedDevice device = SampleInfoDevice("qrx-x");
    device.GetRootNode().SingleSelectNode("statusinfo/log").SetText("first\r\nsecond\nthird");
    const CDetailReport marked(device, [](std::string_view value) { return "[" + std::string(value) + "]"; });
    for (const std::string& line : Lines(marked.SectionText(Korvane::SECTION_DEVICE))) {
        const size_t nColon = line.find(": ");
        EXPECT_TRUE(nColon == std::string::npos || line[nColon + 2] == '[' || line[nColon + 2] == '-')
            << line;
    }
    EXPECT_EQ(marked.SectionText(Korvane::SECTION_LOG), "【ログ情報】 \r\n[first]\r\n[second]\n[third]\r\n");
}

TEST(DetailReportTree, EsataItemExistsForTheXFamilyOnly) {
    const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(CDetailReport::TreeSections(SampleInfoDevice("qrx-x")), all);
    EXPECT_EQ(CDetailReport::TreeSections(SampleInfoDevice("qrx-xv")), all);
    const std::vector<int> withoutEsata = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(CDetailReport::TreeSections(SampleInfoDevice("qrx-h")), withoutEsata);
    EXPECT_FALSE(CDetailReport::HasEsataSection(CManagedDevice()));
}

TEST(DetailReportTree, SectionsHangBelowTheirGroups) {
    const std::vector<int> parents = {-1, 0, 0, 2, 2, 2, 0, 0, 7, 7, 7, 0};
    for (int nSection = 0; nSection < 12; ++nSection) {
        EXPECT_EQ(CDetailReport::ParentSection(nSection), parents[static_cast<size_t>(nSection)]) << nSection;
    }
}

TEST(DetailReportTree, SectionTitles) {
    EXPECT_EQ(CDetailReport::SectionTitle(Korvane::SECTION_DEVICE), "KORVANE 情報");
    EXPECT_EQ(CDetailReport::SectionTitle(Korvane::SECTION_ESATA), "eSATA ボリューム情報");
    EXPECT_EQ(CDetailReport::SectionTitle(Korvane::SECTION_LOG), "ログ情報");
    EXPECT_EQ(CDetailReport::SectionTitle(12), "");
}

TEST(DetailReportState, NothingIsShownBeforeABuildOrAfterAClear) {
    CDetailReport report;
    EXPECT_TRUE(report.IsEmpty());
    EXPECT_EQ(report.SectionText(Korvane::SECTION_DEVICE), "");
    EXPECT_EQ(report.SectionText(Korvane::SECTION_SYSTEM), "");
    report.Rebuild(SampleInfoDevice("qrx-x"));
    EXPECT_TRUE(report.HasSection(Korvane::SECTION_ESATA));
    EXPECT_FALSE(report.SectionText(Korvane::SECTION_VOLUMES).empty());
    report.Clear();
    EXPECT_EQ(report.SectionText(Korvane::SECTION_VOLUMES), "");
    EXPECT_EQ(report.SectionText(Korvane::SECTION_NETWORK), "");
}

// A rebuild replaces every section: a device of another family loses the eSATA section.
TEST(DetailReportState, RebuildReplacesThePreviousDevice) {
    CDetailReport report(SampleInfoDevice("qrx-x"));
    report.Rebuild(SampleInfoDevice("qrx-h"));
    EXPECT_FALSE(report.HasSection(Korvane::SECTION_ESATA));
    ExpectLines(report.SectionText(Korvane::SECTION_SYSTEM), kSystemH);
}

TEST(DetailReportMissingValues, MissingElementsPrintANoValueText) {
    CManagedDevice device = SampleInfoDevice("qrx-x");
    RemoveInfoNodes(device, "raid");
    RemoveInfoNodes(device, "outport/usbport/port[@number='2']");
    RemoveInfoNodes(device, "network/tcpip/common/dnssrv");
    device.GetRootNode().SingleSelectNode("network/msnetwork").SetAttributeValue("method", "");
    const CDetailReport report(device);
    ExpectLines(report.SectionText(Korvane::SECTION_RAID), {
                                                               "【RAID 情報】 ",
                                                               "    動作モード                           : -",
                                                               "    状態                                 : -",
                                                               "    ボリューム情報 :",
                                                               "        全容量                           : -",
                                                               "        使用容量                         : -",
                                                               "    構成ディスク :",
                                                               "",
                                                           });
    const std::string system = report.SectionText(Korvane::SECTION_SYSTEM);
    EXPECT_NE(system.find("    内蔵ボリュームの動作モード           : -\r\n"), std::string::npos);
    EXPECT_NE(system.find("　　　  : 未接続\r\n"), std::string::npos);
    EXPECT_NE(system.find("    UPS バッテリー残量                   : -\r\n"), std::string::npos);
    const std::vector<std::string> network = Lines(report.SectionText(Korvane::SECTION_NETWORK));
    ASSERT_GE(network.size(), 3u);
    // No DNS server at all, and no Microsoft network method: only the WINS line remains.
    EXPECT_EQ(network[network.size() - 3], "        DNS サーバーアドレス             : -");
    EXPECT_EQ(network[network.size() - 2], "    WINS サーバーアドレス                : 198.18.10.5");
}

TEST(DetailReportMissingValues, UpsAwayOrUnknownShowsNoBatteryLevel) {
    for (const char* pszStatus : {"disconnect", "Unknown"}) {
        CManagedDevice device = SampleInfoDevice("qrx-x");
        device.GetRootNode()
            .SingleSelectNode("outport/usbport/port/device/ups")
            .SetAttributeValue("status", pszStatus);
        const std::string system = CDetailReport(device).SectionText(Korvane::SECTION_SYSTEM);
        EXPECT_NE(system.find("    UPS バッテリー残量                   : -\r\n"), std::string::npos)
            << pszStatus;
    }
}

TEST(DetailReportMissingValues, DocumentWithoutInformationStillRendersEverySection) {
    const CDetailReport report{CManagedDevice()};
    ExpectLines(report.SectionText(Korvane::SECTION_USERS), {"【ユーザー情報】 ", ""});
    ExpectLines(report.SectionText(Korvane::SECTION_LOG), {"【ログ情報】 ", "-"});
    EXPECT_NE(report.SectionText(Korvane::SECTION_NETWORK).find("    LAN1 :\r\n"), std::string::npos);
    EXPECT_NE(report.SectionText(Korvane::SECTION_NETWORK).find("    追加設定 :\r\n"), std::string::npos);
}

} // namespace
