// The command names, written once: the message builders and both sides' dispatch
// tables take them from here.
#pragma once

namespace wire::cmd {

inline constexpr char action[] = "CMD_action";
inline constexpr char alldone[] = "CMD_alldone";
inline constexpr char botskill[] = "CMD_botskill";
inline constexpr char botspeed[] = "CMD_botspeed";
inline constexpr char chat[] = "CMD_chat";
inline constexpr char createdice[] = "CMD_createdice";
inline constexpr char existingplayers[] = "CMD_existingplayers";
inline constexpr char full[] = "CMD_full";
inline constexpr char havewrongversion[] = "CMD_havewrongversion";
inline constexpr char hostpowers[] = "CMD_hostpowers";
inline constexpr char rejoin[] = "CMD_rejoin";
inline constexpr char removed[] = "CMD_removed";
inline constexpr char rejoined[] = "CMD_rejoined";
inline constexpr char seatheld[] = "CMD_seatheld";
inline constexpr char seattoken[] = "CMD_seattoken";
inline constexpr char justwatch[] = "CMD_justwatch";
inline constexpr char justwatching[] = "CMD_justwatching";
inline constexpr char kickhim[] = "CMD_kickhim";
inline constexpr char loadpscores[] = "CMD_loadpscores";
inline constexpr char loadstats[] = "CMD_loadstats";
inline constexpr char logininfo[] = "CMD_logininfo";
inline constexpr char markoff[] = "CMD_markoff";
inline constexpr char newplayerinfo[] = "CMD_newplayerinfo";
inline constexpr char nextplayer[] = "CMD_nextplayer";
inline constexpr char noscore[] = "CMD_noscore";
inline constexpr char playerdisconnected[] = "CMD_playerdisconnected";
inline constexpr char rollthedice[] = "CMD_rollthedice";
inline constexpr char scores[] = "CMD_scores";
inline constexpr char sendlogininfo[] = "CMD_sendlogininfo";
inline constexpr char startgame[] = "CMD_startgame";
inline constexpr char winner[] = "CMD_winner";
inline constexpr char wrongversion[] = "CMD_wrongversion";

} // namespace wire::cmd
