<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Board</name>
    <message>
        <source>PH1: Two SETS of 3</source>
        <translation>PH1: Zwei Drillinge</translation>
    </message>
    <message>
        <source>PH2: SET of 3 and RUN of 3</source>
        <translation>PH2: Drilling + 3er-Straße</translation>
    </message>
    <message>
        <source>PH3: SET of 4 and RUN of 4</source>
        <translation>PH3: Vierling + 4er-Straße</translation>
    </message>
    <message>
        <source>PH4: RUN of 7</source>
        <translation>PH4: 7er-Straße</translation>
    </message>
    <message>
        <source>PH5: RUN of 8</source>
        <translation>PH5: 8er-Straße</translation>
    </message>
    <message>
        <source>PH6: RUN of 9</source>
        <translation>PH6: 9er-Straße</translation>
    </message>
    <message>
        <source>PH7: Two SETS of 4</source>
        <translation>PH7: Zwei Vierlinge</translation>
    </message>
    <message>
        <source>PH8: Seven of one COLOR</source>
        <translation>PH8: Sieben einer Farbe</translation>
    </message>
    <message>
        <source>PH9: SET of 5 and SET of 2</source>
        <translation>PH9: Fünfling + Zwilling</translation>
    </message>
    <message>
        <source>PH10: SET of 5 and SET of 3</source>
        <translation>PH10: Fünfling + Drilling</translation>
    </message>
    <message>
        <source>Just watching</source>
        <translation>Schaut nur zu</translation>
    </message>
    <message>
        <source>Rolls</source>
        <translation>Wurf</translation>
    </message>
    <message>
        <source>Welcome to Vimbrel by Zumvek Software</source>
        <translation>Willkommen bei Vimbrel von Zumvek Software</translation>
    </message>
    <message>
        <source>&lt;Waiting&gt;</source>
        <translation>&lt;Frei&gt;</translation>
    </message>
    <message>
        <source>Two Sets of 3</source>
        <translation>Zwei Drillinge</translation>
    </message>
    <message>
        <source>Set of 3 + Run of 3</source>
        <translation>Drilling + 3er-Straße</translation>
    </message>
    <message>
        <source>Set of 4 + Run of 4</source>
        <translation>Vierling + 4er-Straße</translation>
    </message>
    <message>
        <source>Run of 7</source>
        <translation>7er-Straße</translation>
    </message>
    <message>
        <source>Run of 8</source>
        <translation>8er-Straße</translation>
    </message>
    <message>
        <source>Run of 9</source>
        <translation>9er-Straße</translation>
    </message>
    <message>
        <source>Two Sets of 4</source>
        <translation>Zwei Vierlinge</translation>
    </message>
    <message>
        <source>7 of one color</source>
        <translation>7 einer Farbe</translation>
    </message>
    <message>
        <source>Set of 5 + Set of 2</source>
        <translation>Fünfling + Zwilling</translation>
    </message>
    <message>
        <source>Set of 5 + Set of 3</source>
        <translation>Fünfling + Drilling</translation>
    </message>
    <message>
        <source>You have completed all phases.</source>
        <translation>Du hast alle Phasen geschafft.</translation>
    </message>
    <message>
        <source>%1 has completed all phases.</source>
        <translation>%1 hat alle Phasen geschafft.</translation>
    </message>
    <message>
        <source>You are trying to get: %1</source>
        <translation>Du brauchst: %1</translation>
    </message>
    <message>
        <source>%1 is trying to get: %2</source>
        <translation>%1 braucht: %2</translation>
    </message>
    <message>
        <source>The computer plays your turn</source>
        <translation>Der Computer spielt deinen Zug</translation>
    </message>
    <message>
        <source>Your Turn</source>
        <translation>Du bist dran</translation>
    </message>
    <message>
        <source>You are not connected</source>
        <translation>Du bist nicht verbunden</translation>
    </message>
    <message>
        <source>Round: %1</source>
        <translation>Runde: %1</translation>
    </message>
    <message>
        <source>%1 has started a game.</source>
        <translation>%1 hat ein Spiel gestartet.</translation>
    </message>
    <message>
        <source>%1&apos;s turn</source>
        <translation>%1 ist dran</translation>
    </message>
    <message>
        <source>Way to Go! You completed the phase.</source>
        <translation>Klasse! Du hast die Phase geschafft.</translation>
    </message>
    <message>
        <source>%1 completed the phase.</source>
        <translation>%1 hat die Phase geschafft.</translation>
    </message>
    <message>
        <source>One Moment Please..</source>
        <translation>Einen Moment bitte..</translation>
    </message>
    <message>
        <source>You did not complete the phase.</source>
        <translation>Du hast die Phase nicht geschafft.</translation>
    </message>
    <message>
        <source>%1 did not complete the phase.</source>
        <translation>%1 hat die Phase nicht geschafft.</translation>
    </message>
    <message>
        <source>You have Won the Game!</source>
        <translation>Du hast das Spiel gewonnen!</translation>
    </message>
    <message>
        <source>%1 has Won the Game!</source>
        <translation>%1 hat das Spiel gewonnen!</translation>
    </message>
    <message>
        <source>Game Over!</source>
        <translation>Spielende!</translation>
    </message>
    <message>
        <source>You</source>
        <comment>the solo player&apos;s name on the score sheet</comment>
        <translation>Du</translation>
    </message>
    <message>
        <source>You has started a game.</source>
        <translation>Du hast ein Spiel gestartet.</translation>
    </message>
    <message>
        <source>Sort the dice</source>
        <translation>Würfel sortieren</translation>
    </message>
    <message>
        <source>blue</source>
        <translation>blau</translation>
    </message>
    <message>
        <source>green</source>
        <translation>grün</translation>
    </message>
    <message>
        <source>%1, %2: empty</source>
        <translation>%1, %2: leer</translation>
    </message>
    <message>
        <source>%1, %2: none</source>
        <translation>%1, %2: keine</translation>
    </message>
    <message>
        <source>%1, %2: %3 points</source>
        <translation>%1, %2: %3 Punkte</translation>
    </message>
    <message>
        <source>Die %1, not rolled</source>
        <translation>Würfel %1, nicht geworfen</translation>
    </message>
    <message>
        <source>Die %1, %2, %3, held</source>
        <translation>Würfel %1, %2, %3, behalten</translation>
    </message>
    <message>
        <source>wild</source>
        <translation>Joker</translation>
    </message>
    <message>
        <source>Die %1, %2, %3</source>
        <translation>Würfel %1, %2, %3</translation>
    </message>
    <message>
        <source>Seat %1</source>
        <translation>Platz %1</translation>
    </message>
    <message>
        <source>Seat %1: waiting for a player</source>
        <translation>Platz %1: wartet auf einen Spieler</translation>
    </message>
    <message>
        <source>Seat %1: %2</source>
        <translation>Platz %1: %2</translation>
    </message>
    <message>
        <source>%1, just watching</source>
        <translation>%1, schaut nur zu</translation>
    </message>
    <message>
        <source>%1, playing now</source>
        <translation>%1, ist dran</translation>
    </message>
    <message>
        <source>phase %1</source>
        <translation>Phase %1</translation>
    </message>
    <message>
        <source>bonus</source>
        <translation>Bonus</translation>
    </message>
    <message>
        <source>going-out bonus</source>
        <translation>Bonus fürs Fertigwerden</translation>
    </message>
    <message>
        <source>total</source>
        <translation>Summe</translation>
    </message>
    <message>
        <source>this turn</source>
        <translation>dieser Zug</translation>
    </message>
    <message>
        <source>Dice table</source>
        <translation>Würfeltisch</translation>
    </message>
    <message>
        <source>R rolls, D or Enter ends the turn, 1 to 9 and 0 hold or release a die, S sorts</source>
        <translation>R würfelt, D oder Eingabe beendet den Zug, 1 bis 9 und 0 behalten einen Würfel oder geben ihn frei, S sortiert</translation>
    </message>
    <message>
        <source>Roll Dice</source>
        <translation>Würfeln</translation>
    </message>
    <message>
        <source>Key R</source>
        <translation>Taste R</translation>
    </message>
    <message>
        <source>All Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Key D</source>
        <translation>Taste D</translation>
    </message>
    <message>
        <source>Start Game</source>
        <translation>Spiel starten</translation>
    </message>
    <message>
        <source>Rolls used</source>
        <translation>Benutzte Würfe</translation>
    </message>
    <message>
        <source>Example of the phase to get</source>
        <translation>Beispiel für die gesuchte Phase</translation>
    </message>
    <message>
        <source>Rolls used: %1 of 3</source>
        <translation>Benutzte Würfe: %1 von 3</translation>
    </message>
    <message>
        <source>gold</source>
        <translation>gold</translation>
    </message>
    <message>
        <source>magenta</source>
        <translation>magenta</translation>
    </message>
</context>
<context>
    <name>ChatInput</name>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>&lt;Enter Chat Here&gt;</source>
        <translation>&lt;Chat hier eingeben&gt;</translation>
    </message>
    <message>
        <source>Chat message</source>
        <translation>Chatnachricht</translation>
    </message>
</context>
<context>
    <name>ChatPanel</name>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
</context>
<context>
    <name>Launcher</name>
    <message>
        <source>Another program holds port %1 for IPv6, so players can join this table over IPv4 only.</source>
        <translation>Ein anderes Programm belegt Port %1 für IPv6, daher können Spieler diesem Tisch nur über IPv4 beitreten.</translation>
    </message>
</context>
<context>
    <name>NetDialog</name>
    <message>
        <source>Vimbrel - Host a Network Game</source>
        <translation>Vimbrel - Netzwerkspiel eröffnen</translation>
    </message>
    <message>
        <source>Vimbrel - Join a Network Game</source>
        <translation>Vimbrel - Netzwerkspiel beitreten</translation>
    </message>
    <message>
        <source>Host a Network Game</source>
        <translation>Netzwerkspiel eröffnen</translation>
    </message>
    <message>
        <source>Join a Network Game</source>
        <translation>Netzwerkspiel beitreten</translation>
    </message>
    <message>
        <source>Your name:</source>
        <translation>Dein Name:</translation>
    </message>
    <message>
        <source>The host&apos;s name, or its address: IPv4 such as 192.168.1.20, or IPv6 such as 2001:db8::5 (brackets optional).</source>
        <translation>Der Name des Gastgebers oder seine Adresse: IPv4 wie 192.168.1.20 oder IPv6 wie 2001:db8::5 (eckige Klammern sind freiwillig).</translation>
    </message>
    <message>
        <source>Host&apos;s address:</source>
        <translation>Adresse des Gastgebers:</translation>
    </message>
    <message>
        <source>Open the port on my router</source>
        <translation>Port auf meinem Router öffnen</translation>
    </message>
    <message>
        <source>Asks your home router to forward TCP port 7772 to this computer while you host, so players on the internet can join.</source>
        <translation>Bittet deinen Router zu Hause, TCP-Port 7772 an diesen Computer weiterzuleiten, solange du Gastgeber bist, damit Spieler aus dem Internet beitreten können.</translation>
    </message>
    <message>
        <source>Other players join you at this computer&apos;s address, IPv4 or IPv6; they need TCP port 7772 open to reach it. This table closes and opens again as the host.</source>
        <translation>Andere Spieler treten dir über die Adresse dieses Computers bei, IPv4 oder IPv6; dafür muss TCP-Port 7772 erreichbar sein. Dieser Tisch schließt sich und öffnet sich neu als Gastgeber.</translation>
    </message>
    <message>
        <source>This table closes and opens again, seated at the host&apos;s table.</source>
        <translation>Dieser Tisch schließt sich und öffnet sich neu, mit deinem Platz am Tisch des Gastgebers.</translation>
    </message>
    <message>
        <source>Host Game</source>
        <translation>Spiel eröffnen</translation>
    </message>
    <message>
        <source>Join Game</source>
        <translation>Beitreten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please enter your name.</source>
        <translation>Bitte gib deinen Namen ein.</translation>
    </message>
    <message>
        <source>Your name cannot contain &quot;+&quot; or &quot;|&quot;.</source>
        <translation>Dein Name darf kein „+“ und kein „|“ enthalten.</translation>
    </message>
    <message>
        <source>Please enter the host&apos;s address.</source>
        <translation>Bitte gib die Adresse des Gastgebers ein.</translation>
    </message>
    <message>
        <source>The host&apos;s address cannot contain spaces.</source>
        <translation>Die Adresse des Gastgebers darf keine Leerzeichen enthalten.</translation>
    </message>
    <message>
        <source>Vimbrel could not be started again. This table stays open.</source>
        <translation>Vimbrel konnte nicht neu gestartet werden. Dieser Tisch bleibt offen.</translation>
    </message>
    <message>
        <source>name or IP address</source>
        <translation>Name oder IP-Adresse</translation>
    </message>
    <message>
        <source>The host&apos;s TCP port; empty for the usual 7772.</source>
        <translation>Der TCP-Port des Gastgebers; leer für den üblichen Port 7772.</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an address. Give a host name, an IPv4 or an IPv6 address; a port goes in the Port box.</source>
        <translation>„%1“ ist keine Adresse. Gib einen Rechnernamen, eine IPv4- oder eine IPv6-Adresse ein; ein Port gehört ins Feld „Port“.</translation>
    </message>
    <message>
        <source>The port is a number from 1 to 65535.</source>
        <translation>Der Port ist eine Zahl von 1 bis 65535.</translation>
    </message>
    <message>
        <source>The address names port %1 and the Port box %2: give one of them.</source>
        <translation>Die Adresse nennt Port %1 und das Feld „Port“ %2: Gib nur einen davon an.</translation>
    </message>
</context>
<context>
    <name>THttpCli</name>
    <message>
        <source>Download aborted</source>
        <translation>Download abgebrochen</translation>
    </message>
    <message>
        <source>HTTP error %1 %2</source>
        <translation>HTTP-Fehler %1 %2</translation>
    </message>
    <message>
        <source>Cannot write the download: %1</source>
        <translation>Der Download kann nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>no file</source>
        <translation>keine Datei</translation>
    </message>
    <message>
        <source>No document received</source>
        <translation>Kein Dokument empfangen</translation>
    </message>
</context>
<context>
    <name>Tabout</name>
    <message>
        <source>Vimbrel - About</source>
        <translation>Vimbrel - Über das Spiel</translation>
    </message>
    <message>
        <source>Programmed by: %1</source>
        <translation>Programmiert von: %1</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Vimbrel by Zumvek Software</source>
        <translation>Vimbrel von Zumvek Software</translation>
    </message>
</context>
<context>
    <name>TallyStore</name>
    <message>
        <source>%1 does not hold a tally</source>
        <translation>%1 enthält keine Strichliste</translation>
    </message>
    <message>
        <source>%1 could not be set aside; it is left as it is</source>
        <translation>%1 konnte nicht beiseitegelegt werden und bleibt unverändert</translation>
    </message>
</context>
<context>
    <name>Tchat</name>
    <message>
        <source>Game is full</source>
        <translation>Das Spiel ist voll</translation>
    </message>
    <message>
        <source>You run this table: you can start games and remove players.</source>
        <translation>Du leitest diesen Tisch: Du kannst Spiele starten und Spieler entfernen.</translation>
    </message>
    <message>
        <source>%1 has a different version of the game then you.</source>
        <translation>%1 hat eine andere Spielversion als du.</translation>
    </message>
    <message>
        <source>You have a differnt version of the game then the host.</source>
        <translation>Du hast eine andere Spielversion als der Gastgeber.</translation>
    </message>
    <message>
        <source>Loading Solo Game..Please Wait.</source>
        <translation>Einzelspiel wird geladen.. Bitte warten.</translation>
    </message>
    <message>
        <source>Loading Multi-player Game.. Please Wait.</source>
        <translation>Mehrspielerpartie wird geladen.. Bitte warten.</translation>
    </message>
    <message>
        <source>Your router forwards port %1 to this computer; others can join you at your internet address.</source>
        <translation>Dein Router leitet Port %1 an diesen Computer weiter; andere können dir über deine Internetadresse beitreten.</translation>
    </message>
    <message>
        <source>Your router forwards port %1, but it is itself behind another router (its outside address is %2), so players on the internet may still not reach you. Forward TCP port %1 on that router too, or run the dedicated host vimbrel-host on a server.</source>
        <translation>Dein Router leitet Port %1 weiter, steht aber selbst hinter einem weiteren Router (dessen äußere Adresse ist %2), deshalb erreichen dich Spieler aus dem Internet womöglich trotzdem nicht. Leite TCP-Port %1 auch an jenem Router weiter oder starte den eigenständigen Host vimbrel-host auf einem Server.</translation>
    </message>
    <message>
        <source>Others can join you at %1.</source>
        <translation>Andere können dir unter %1 beitreten.</translation>
    </message>
    <message>
        <source>To let players on the internet join, forward TCP port %1 to this computer in your router&apos;s settings, or run the dedicated host vimbrel-host on a server.</source>
        <translation>Damit Spieler aus dem Internet beitreten können, leite TCP-Port %1 in den Einstellungen deines Routers an diesen Computer weiter oder starte den eigenständigen Host vimbrel-host auf einem Server.</translation>
    </message>
    <message>
        <source>No router answered the request to open port %1.</source>
        <translation>Kein Router hat auf die Anfrage geantwortet, Port %1 zu öffnen.</translation>
    </message>
    <message>
        <source>Your router did not answer in time when asked to open port %1.</source>
        <translation>Dein Router hat nicht rechtzeitig auf die Anfrage geantwortet, Port %1 zu öffnen.</translation>
    </message>
    <message>
        <source>Your router did not open port %1 (error %2).</source>
        <translation>Dein Router hat Port %1 nicht geöffnet (Fehler %2).</translation>
    </message>
    <message>
        <source>You are Connected.</source>
        <translation>Du bist verbunden.</translation>
    </message>
    <message>
        <source>%1 is Connected.</source>
        <translation>%1 ist verbunden.</translation>
    </message>
    <message>
        <source>You are spying.</source>
        <translation>Du schaust als Zuschauer zu.</translation>
    </message>
    <message>
        <source>%1 is spying.</source>
        <translation>%1 schaut als Zuschauer zu.</translation>
    </message>
    <message>
        <source>%1 disconnected.</source>
        <translation>%1 hat die Verbindung getrennt.</translation>
    </message>
    <message>
        <source>%1 has left.</source>
        <translation>%1 ist gegangen.</translation>
    </message>
    <message>
        <source>%1 is just watching</source>
        <translation>%1 schaut nur zu</translation>
    </message>
    <message>
        <source>%1 is now playing again</source>
        <translation>%1 spielt wieder mit</translation>
    </message>
    <message>
        <source>Visit Zumvek Software</source>
        <translation>Zumvek Software besuchen</translation>
    </message>
    <message>
        <source>Show Chat From %1 Again</source>
        <translation>Chat von %1 wieder anzeigen</translation>
    </message>
    <message>
        <source>Ignore Chat From %1</source>
        <translation>Chat von %1 ignorieren</translation>
    </message>
    <message>
        <source>Chat from %1 is shown again.</source>
        <translation>Der Chat von %1 wird wieder angezeigt.</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Start Game</source>
        <translation>Spiel starten</translation>
    </message>
    <message>
        <source>Host a Network Game…</source>
        <translation>Netzwerkspiel eröffnen…</translation>
    </message>
    <message>
        <source>Join a Network Game…</source>
        <translation>Netzwerkspiel beitreten…</translation>
    </message>
    <message>
        <source>Rejoin Last Game</source>
        <translation>Letztem Spiel wieder beitreten</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>Just Watch</source>
        <translation>Nur zuschauen</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Töne abspielen</translation>
    </message>
    <message>
        <source>Turn Sound</source>
        <translation>Signal für deinen Zug</translation>
    </message>
    <message>
        <source>Classic</source>
        <translation>Klassisch</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Bot Speed</source>
        <translation>Tempo des Computers</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Langsam</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Klot&apos;s Skill</source>
        <translation>Klots Spielstärke</translation>
    </message>
    <message>
        <source>Expert</source>
        <translation>Experte</translation>
    </message>
    <message>
        <source>Text Color</source>
        <translation>Textfarbe</translation>
    </message>
    <message>
        <source>Action Color</source>
        <translation>Aktionsfarbe</translation>
    </message>
    <message>
        <source>Text Size</source>
        <translation>Textgröße</translation>
    </message>
    <message>
        <source>Scroll Chat Off</source>
        <translation>Chat nicht mitlaufen lassen</translation>
    </message>
    <message>
        <source>Clear Main Chat</source>
        <translation>Chat leeren</translation>
    </message>
    <message>
        <source>Reset Screen Location</source>
        <translation>Fensterposition zurücksetzen</translation>
    </message>
    <message>
        <source>Open the Port on My Router</source>
        <translation>Port auf meinem Router öffnen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>View Tally</source>
        <translation>Strichliste anzeigen</translation>
    </message>
    <message>
        <source>Spy List</source>
        <translation>Zuschauerliste</translation>
    </message>
    <message>
        <source>Phrase List</source>
        <translation>Sprüche bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Content</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Vimbrel</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Remove From Game</source>
        <translation>Aus dem Spiel nehmen</translation>
    </message>
    <message>
        <source>Set to Just Watch</source>
        <translation>Nur zuschauen lassen</translation>
    </message>
    <message>
        <source>Unset Just Watch</source>
        <translation>Wieder mitspielen lassen</translation>
    </message>
    <message>
        <source>Too many lines at once; wait a few seconds and send again.</source>
        <translation>Zu viele Zeilen auf einmal; warte ein paar Sekunden und sende dann erneut.</translation>
    </message>
    <message>
        <source>Your settings file %1 cannot be read, so your settings are not loaded, and changes you make are not saved.</source>
        <translation>Deine Einstellungsdatei %1 lässt sich nicht lesen; deine Einstellungen werden daher nicht geladen und Änderungen nicht gespeichert.</translation>
    </message>
    <message>
        <source>Welcome back: your seat was kept for you, and you play it again from your next turn.</source>
        <translation>Willkommen zurück: Dein Platz wurde freigehalten, ab deinem nächsten Zug spielst du wieder selbst.</translation>
    </message>
    <message>
        <source>%1&apos;s seat is kept for them; the computer plays it until they come back.</source>
        <translation>Der Platz von %1 wird freigehalten; bis zur Rückkehr spielt der Computer für %1.</translation>
    </message>
    <message>
        <source>Listen - Error Binding Socket</source>
        <translation>Spiel eröffnen - Der Port lässt sich nicht belegen</translation>
    </message>
    <message>
        <source>Listen - Error Starting Listen</source>
        <translation>Spiel eröffnen - Warten auf Mitspieler lässt sich nicht starten</translation>
    </message>
    <message>
        <source>Listen - Socket Already In Use</source>
        <translation>Spiel eröffnen - Die Verbindung ist schon in Gebrauch</translation>
    </message>
    <message>
        <source>Listen - Cannot Listen On A Datagram Socket</source>
        <translation>Spiel eröffnen - Auf einer Datagramm-Verbindung nicht möglich</translation>
    </message>
    <message>
        <source>Port Lookup - Could Not Find Service Entry</source>
        <translation>Port-Suche - Kein passender Dienst-Eintrag gefunden</translation>
    </message>
    <message>
        <source>Phrase %1: %2</source>
        <translation>Spruch %1: %2</translation>
    </message>
    <message>
        <source>Says the phrase in the chat</source>
        <translation>Sagt den Spruch im Chat</translation>
    </message>
    <message>
        <source>Cannot join &quot;%1&quot;: that is not an address. Give a host name, an IPv4 address or an IPv6 address, with :PORT after it for another port than 7772 (after an IPv6 address only in brackets: [2001:db8::5]:7800).</source>
        <translation>„%1“ lässt sich nicht beitreten: Das ist keine Adresse. Gib einen Hostnamen, eine IPv4-Adresse oder eine IPv6-Adresse an, für einen anderen Port als 7772 mit :PORT dahinter (nach einer IPv6-Adresse nur in eckigen Klammern: [2001:db8::5]:7800).</translation>
    </message>
    <message>
        <source>You were removed from the table</source>
        <translation>Du wurdest vom Tisch entfernt</translation>
    </message>
    <message>
        <source>The table was closed by its host</source>
        <translation>Der Gastgeber hat den Tisch geschlossen</translation>
    </message>
    <message>
        <source>The connection to the host was lost</source>
        <translation>Die Verbindung zum Gastgeber ist abgebrochen</translation>
    </message>
    <message>
        <source>Chat from %1 is hidden, their earlier lines too. They are not told.</source>
        <translation>Der Chat von %1 wird ausgeblendet, auch was vorher gesagt wurde. %1 erfährt davon nichts.</translation>
    </message>
    <message>
        <source>%1 is back</source>
        <translation>%1 ist wieder da</translation>
    </message>
    <message>
        <source>%1 was removed</source>
        <translation>%1 wurde entfernt</translation>
    </message>
    <message>
        <source>There is no game to rejoin: no host has kept a seat for you.</source>
        <translation>Es gibt kein Spiel, zu dem du zurückkehren kannst: Kein Gastgeber hält dir einen Platz frei.</translation>
    </message>
    <message>
        <source>Leave this game and rejoin your last game at %1? This game ends for you.</source>
        <translation>Dieses Spiel verlassen und zu deinem letzten Spiel bei %1 zurückkehren? Dieses Spiel endet dann für dich.</translation>
    </message>
    <message>
        <source>The host of your last game at %1 does not answer, so there is no game to go back to. This table stays as it is.</source>
        <translation>Der Gastgeber deines letzten Spiels bei %1 antwortet nicht, es gibt also kein Spiel, zu dem du zurückkehren kannst. Dieser Tisch bleibt, wie er ist.</translation>
    </message>
    <message>
        <source>Could not join %1: the connection was refused, so no game is hosted there on port %2. Is the host running, and is that its port?</source>
        <translation>Beitritt zu %1 nicht möglich: Die Verbindung wurde abgelehnt, dort läuft also kein Spiel auf Port %2. Läuft der Gastgeber, und ist das sein Port?</translation>
    </message>
    <message>
        <source>Could not join %1: no computer of that name was found. Check the address.</source>
        <translation>Beitritt zu %1 nicht möglich: Kein Computer dieses Namens wurde gefunden. Prüfe die Adresse.</translation>
    </message>
    <message>
        <source>Could not join %1: the host did not answer in time. A firewall may be in the way.</source>
        <translation>Beitritt zu %1 nicht möglich: Der Gastgeber hat nicht rechtzeitig geantwortet. Vielleicht steht eine Firewall im Weg.</translation>
    </message>
    <message>
        <source>Could not join %1: that host cannot be reached from here.</source>
        <translation>Beitritt zu %1 nicht möglich: Dieser Gastgeber ist von hier aus nicht erreichbar.</translation>
    </message>
    <message>
        <source>Could not join %1: there is no network route to it. Is this computer connected to the network?</source>
        <translation>Beitritt zu %1 nicht möglich: Es gibt keinen Netzwerkweg dorthin. Ist dieser Computer mit dem Netzwerk verbunden?</translation>
    </message>
    <message>
        <source>Could not join %1: that is no address this computer can connect to.</source>
        <translation>Beitritt zu %1 nicht möglich: Mit dieser Adresse kann sich dieser Computer nicht verbinden.</translation>
    </message>
    <message>
        <source>Could not join %1: the connection failed (%2).</source>
        <translation>Beitritt zu %1 nicht möglich: Die Verbindung ist fehlgeschlagen (%2).</translation>
    </message>
    <message>
        <source>You chats: %1</source>
        <comment>the solo player&apos;s own chat line, as the wire says it</comment>
        <translation>Du schreibst: %1</translation>
    </message>
    <message>
        <source>You says: %1</source>
        <comment>the solo player&apos;s own phrase, as the wire says it</comment>
        <translation>Du sagst: %1</translation>
    </message>
    <message>
        <source>You is just watching</source>
        <comment>the solo player, as the wire names them</comment>
        <translation>Du schaust nur zu</translation>
    </message>
    <message>
        <source>You is now playing again</source>
        <comment>the solo player, as the wire names them</comment>
        <translation>Du spielst wieder mit</translation>
    </message>
    <message>
        <source>The table is closing. Thanks for playing!</source>
        <translation>Der Tisch wird geschlossen. Danke fürs Spielen!</translation>
    </message>
</context>
<context>
    <name>Tdownload</name>
    <message>
        <source>An Error has Occurred.</source>
        <translation>Ein Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>The Zumvek Lobby is not installed on this computer. Install the package that holds zumveklobby (your distribution&apos;s software centre or package manager), then choose &quot;Play with Others&quot; again.</source>
        <translation>Die Zumvek Lobby ist auf diesem Computer nicht installiert. Installiere das Paket mit zumveklobby (über die Softwareverwaltung oder den Paketmanager deiner Distribution) und wähle dann noch einmal „Mit anderen spielen“.</translation>
    </message>
    <message>
        <source>Download The Zumvek Lobby</source>
        <translation>Zumvek Lobby herunterladen</translation>
    </message>
    <message>
        <source>IS CLOSED</source>
        <translation>GESCHLOSSEN</translation>
    </message>
    <message>
        <source>Download The Zumvek Lobby Now to play this  and other exciting games online with other players!</source>
        <translation>Lade jetzt die Zumvek Lobby herunter und spiele dieses und andere spannende Spiele online mit anderen!</translation>
    </message>
    <message>
        <source>Download And Install The Zumvek Lobby Now</source>
        <translation>Zumvek Lobby jetzt herunterladen und installieren</translation>
    </message>
    <message>
        <source>Stop Download</source>
        <translation>Download stoppen</translation>
    </message>
    <message>
        <source>To proceed to the game without the ability to play against others click the button below.</source>
        <translation>Um ohne andere Mitspieler weiterzuspielen, klicke auf die Schaltfläche darunter.</translation>
    </message>
    <message>
        <source>Play Solo Game</source>
        <translation>Allein spielen</translation>
    </message>
    <message>
        <source>Note: Even if you are playing offline, you will need to configure your FIREWALL to allow the game to access the internet components.</source>
        <translation>Hinweis: Auch wenn du offline spielst, musst du deine FIREWALL so einstellen, dass das Spiel auf die Internetkomponenten zugreifen darf.</translation>
    </message>
    <message>
        <source>If you already have The Zumvek Lobby and you wish to play with others then click the button below to close this game and open The Zumvek Lobby.</source>
        <translation>Wenn du die Zumvek Lobby schon hast und mit anderen spielen möchtest, klicke auf die Schaltfläche darunter: Dieses Spiel schließt sich und die Zumvek Lobby öffnet sich.</translation>
    </message>
    <message>
        <source>Play with Others</source>
        <translation>Mit anderen spielen</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Lädt</translation>
    </message>
    <message>
        <source>Download has been aborted.</source>
        <translation>Der Download wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Download Aborted</source>
        <translation>Download abgebrochen</translation>
    </message>
    <message>
        <source>Downloading: %1</source>
        <translation>Wird heruntergeladen: %1</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>Received %1 bytes</source>
        <translation>%1 Bytes empfangen</translation>
    </message>
    <message>
        <source>Installing</source>
        <translation>Wird installiert</translation>
    </message>
</context>
<context>
    <name>Thelp</name>
    <message>
        <source>Vimbrel - Help File</source>
        <translation>Vimbrel - Hilfe</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Überblick</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Game Play</source>
        <translation>Spielablauf</translation>
    </message>
    <message>
        <source>Scoring</source>
        <translation>Wertung</translation>
    </message>
    <message>
        <source>License</source>
        <translation>Lizenz</translation>
    </message>
    <message>
        <source>Documentation</source>
        <translation>Dokumentation</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Vimbrel</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Created by:
Zumvek Software</source>
        <translation>Erstellt von:
Zumvek Software</translation>
    </message>
    <message>
        <source>help</source>
        <comment>folder of the help pages in this language, under resources/lobby: help/de for German</comment>
        <translation>help/de</translation>
    </message>
</context>
<context>
    <name>Tphrases</name>
    <message>
        <source>Vimbrel - Phrase Buttons </source>
        <translation>Vimbrel - Spruchtasten </translation>
    </message>
    <message>
        <source>Phrase Button %1:</source>
        <translation>Spruchtaste %1:</translation>
    </message>
    <message>
        <source>Buttons can only be used once every 2 seconds</source>
        <translation>Die Tasten lassen sich nur alle 2 Sekunden benutzen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>Tspylist</name>
    <message>
        <source>Vimbrel - Spys</source>
        <translation>Vimbrel - Zuschauer</translation>
    </message>
    <message>
        <source>Spy List</source>
        <translation>Zuschauerliste</translation>
    </message>
    <message>
        <source>Remove From Game</source>
        <translation>Aus dem Spiel nehmen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>Ttallylist</name>
    <message>
        <source>Vimbrel - Tally List</source>
        <translation>Vimbrel - Strichliste</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>The unreadable tally file was kept as %1.</source>
        <translation>Die unlesbare Strichlisten-Datei wurde als %1 aufbewahrt.</translation>
    </message>
    <message>
        <source>The unreadable tally file could not be set aside, so this run&apos;s tally will not be saved over it.</source>
        <translation>Die unlesbare Strichlisten-Datei konnte nicht beiseitegelegt werden; die Strichliste dieser Sitzung wird daher nicht darüber gespeichert.</translation>
    </message>
    <message>
        <source>This will delete %1&apos;s Tally, Are you want to delete it?</source>
        <translation>Damit wird die Strichliste von %1 gelöscht. Möchtest du sie wirklich löschen?</translation>
    </message>
    <message>
        <source>%1 Wins:</source>
        <translation>Siege von %1:</translation>
    </message>
    <message>
        <source>%1&apos;s Tally</source>
        <translation>Strichliste: %1</translation>
    </message>
    <message>
        <source>Are you sure you want to reset the Tally?</source>
        <translation>Möchtest du die Strichliste wirklich zurücksetzen?</translation>
    </message>
    <message>
        <source>Reset Tally</source>
        <translation>Strichliste zurücksetzen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Your Total Tally</source>
        <translation>Deine Gesamtbilanz</translation>
    </message>
    <message>
        <source>Total Games:</source>
        <translation>Spiele gesamt:</translation>
    </message>
    <message>
        <source>Your Wins</source>
        <translation>Deine Siege</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Gesamt</translation>
    </message>
    <message>
        <source>Session</source>
        <translation>Sitzung</translation>
    </message>
    <message>
        <source>Number of Games</source>
        <translation>Anzahl Spiele</translation>
    </message>
    <message>
        <source>Your Wins:</source>
        <translation>Deine Siege:</translation>
    </message>
    <message>
        <source>Neither Won:</source>
        <translation>Keiner von beiden:</translation>
    </message>
    <message>
        <source>Players Being Tallied</source>
        <translation>Spieler auf der Strichliste</translation>
    </message>
    <message>
        <source>Players In Current Game</source>
        <translation>Spieler im laufenden Spiel</translation>
    </message>
</context>
<context>
    <name>art</name>
    <message>
        <source>TOTAL</source>
        <translation>SUMME</translation>
    </message>
    <message>
        <source>WINNER</source>
        <translation>SIEGER</translation>
    </message>
    <message>
        <source>ROLL DICE</source>
        <translation>WÜRFELN</translation>
    </message>
    <message>
        <source>ALL DONE</source>
        <translation>FERTIG</translation>
    </message>
    <message>
        <source>START GAME</source>
        <translation>SPIEL STARTEN</translation>
    </message>
    <message>
        <source>A GAME OF TEN DICE</source>
        <translation>EIN SPIEL MIT ZEHN WÜRFELN</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Usage: vimbrel [NAME HOST true|join]
  no parameters       a solo game against the computer
  NAME HOST true      host a network game on port 7772 as NAME
  NAME HOST join      join the game hosted at HOST as NAME
HOST is a host name, an IPv4 address such as 192.168.1.20 or an IPv6
address such as 2001:db8::5 (brackets optional: [2001:db8::5]).
A host on another port than 7772 is HOST:PORT, such as 192.168.1.20:7800;
an IPv6 address takes a port only in brackets: [2001:db8::5]:7800.
A host listens on IPv4 and IPv6 alike.
</source>
        <translation>Aufruf: vimbrel [NAME HOST true|join]
  ohne Parameter      ein Einzelspiel gegen den Computer
  NAME HOST true      als NAME ein Netzwerkspiel auf Port 7772 eröffnen
  NAME HOST join      als NAME dem Spiel bei HOST beitreten
HOST ist ein Rechnername, eine IPv4-Adresse wie 192.168.1.20 oder eine
IPv6-Adresse wie 2001:db8::5 (eckige Klammern freiwillig: [2001:db8::5]).
Ein Gastgeber auf einem anderen Port als 7772 ist HOST:PORT, etwa 192.168.1.20:7800;
eine IPv6-Adresse nimmt einen Port nur in eckigen Klammern: [2001:db8::5]:7800.
Ein Gastgeber ist über IPv4 und IPv6 gleichermaßen erreichbar.
</translation>
    </message>
    <message>
        <source>Vimbrel cannot open the link &quot;%1&quot;: it does not name a table. A link to a table reads vimbrel://join/ followed by the host&apos;s address, such as vimbrel://join/192.0.2.5:7772 or vimbrel://join/[2001:db8::5]:7772.</source>
        <translation>Vimbrel kann den Link „%1“ nicht öffnen: Er nennt keinen Tisch. Ein Link zu einem Tisch lautet vimbrel://join/ gefolgt von der Adresse des Gastgebers, etwa vimbrel://join/192.0.2.5:7772 oder vimbrel://join/[2001:db8::5]:7772.</translation>
    </message>
    <message>
        <source>Vimbrel is already open. To join the table at %1, close it and open the link again, or choose File &gt; Join a Network Game.</source>
        <translation>Vimbrel ist schon geöffnet. Um dem Tisch unter %1 beizutreten, schließe es und öffne den Link noch einmal, oder wähle Datei &gt; Netzwerkspiel beitreten.</translation>
    </message>
</context>
</TS>
