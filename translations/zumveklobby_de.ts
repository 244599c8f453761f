<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>HomeAddresses</name>
    <message>
        <source>The public address &quot;%1&quot; in the settings is not an IPv4 or IPv6 address.</source>
        <translation>Die öffentliche Adresse „%1“ in den Einstellungen ist keine IPv4- oder IPv6-Adresse.</translation>
    </message>
    <message>
        <source>This computer has no network address others could reach.</source>
        <translation>Dieser Computer hat keine Netzwerkadresse, die andere erreichen könnten.</translation>
    </message>
</context>
<context>
    <name>xmpp::Client</name>
    <message>
        <source>cannot reach the server %1</source>
        <translation>der Server %1 ist nicht erreichbar</translation>
    </message>
    <message>
        <source>the server ended the connection</source>
        <translation>der Server hat die Verbindung beendet</translation>
    </message>
    <message>
        <source>the server refused the log-in</source>
        <translation>der Server hat die Anmeldung abgelehnt</translation>
    </message>
    <message>
        <source>the connection ended</source>
        <translation>die Verbindung wurde beendet</translation>
    </message>
    <message>
        <source>could not connect</source>
        <translation>keine Verbindung möglich</translation>
    </message>
    <message>
        <source>the server offers no encryption</source>
        <translation>der Server bietet keine Verschlüsselung an</translation>
    </message>
    <message>
        <source>the server does not take new accounts</source>
        <translation>der Server nimmt keine neuen Konten an</translation>
    </message>
    <message>
        <source>the encrypted connection could not be set up</source>
        <translation>die verschlüsselte Verbindung kam nicht zustande</translation>
    </message>
    <message>
        <source>that name is taken</source>
        <translation>dieser Name ist vergeben</translation>
    </message>
    <message>
        <source>too many new accounts from this address; try again later</source>
        <translation>zu viele neue Konten von dieser Adresse; versuche es später noch einmal</translation>
    </message>
    <message>
        <source>the name or password was not accepted</source>
        <translation>Name oder Passwort wurden nicht angenommen</translation>
    </message>
</context>
<context>
    <name>xmpp::Room</name>
    <message>
        <source>the name %1 is already in the room</source>
        <translation>der Name %1 ist schon im Raum</translation>
    </message>
    <message>
        <source>banned from the room</source>
        <translation>aus dem Raum verbannt</translation>
    </message>
    <message>
        <source>left the room</source>
        <translation>hat den Raum verlassen</translation>
    </message>
    <message>
        <source>kicked from the room</source>
        <translation>aus dem Raum geworfen</translation>
    </message>
    <message>
        <source>the room&apos;s server is shutting down</source>
        <translation>der Server des Raums wird heruntergefahren</translation>
    </message>
</context>
<context>
    <name>zumvek::BestPlayersDialog</name>
    <message>
        <source>Best Players</source>
        <translation>Bestenliste</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Best players</source>
        <translation>Bestenliste</translation>
    </message>
    <message>
        <source>Rank</source>
        <translation>Platz</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>Spieler</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Wertung</translation>
    </message>
    <message>
        <source>Games</source>
        <translation>Spiele</translation>
    </message>
    <message>
        <source>No games have been rated yet.</source>
        <translation>Es wurde noch kein Spiel gewertet.</translation>
    </message>
    <message>
        <source>The ratings show once you are in the lobby.</source>
        <translation>Die Wertungen erscheinen, sobald du in der Lobby bist.</translation>
    </message>
</context>
<context>
    <name>zumvek::GameLauncher</name>
    <message>
        <source>A game is already running.</source>
        <translation>Es läuft bereits ein Spiel.</translation>
    </message>
    <message>
        <source>The game program vimbrel was not found.</source>
        <translation>Das Spielprogramm vimbrel wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The game could not be started: %1</source>
        <translation>Das Spiel konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>The game ended unexpectedly.</source>
        <translation>Das Spiel wurde unerwartet beendet.</translation>
    </message>
</context>
<context>
    <name>zumvek::LobbyApp</name>
    <message>
        <source>Not connected to the lobby.</source>
        <translation>Nicht mit der Lobby verbunden.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a server address. Give a name such as lobby.zumvek.com, with :PORT after it for another port.</source>
        <translation>„%1“ ist keine Serveradresse. Gib einen Namen wie lobby.zumvek.com an, für einen anderen Port mit :PORT dahinter.</translation>
    </message>
    <message>
        <source>Please give an account name.</source>
        <translation>Bitte gib einen Kontonamen an.</translation>
    </message>
    <message>
        <source>An account name is 1 to 24 letters, digits, dots, hyphens and underscores, beginning with a letter or digit.</source>
        <translation>Ein Kontoname besteht aus 1 bis 24 Buchstaben, Ziffern, Punkten, Bindestrichen und Unterstrichen und beginnt mit einem Buchstaben oder einer Ziffer.</translation>
    </message>
    <message>
        <source>Please give the password.</source>
        <translation>Bitte gib das Passwort an.</translation>
    </message>
    <message>
        <source>Creating the account...</source>
        <translation>Das Konto wird erstellt...</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Verbindung wird hergestellt...</translation>
    </message>
    <message>
        <source>Not connected to the lobby: %1</source>
        <translation>Nicht mit der Lobby verbunden: %1</translation>
    </message>
    <message>
        <source>Connecting to the lobby at %1...</source>
        <translation>Verbindung zur Lobby auf %1 wird hergestellt...</translation>
    </message>
    <message>
        <source>The lobby at %1 cannot be reached (%2). Trying again; meanwhile you can still play solo.</source>
        <translation>Die Lobby auf %1 ist nicht erreichbar (%2). Es wird weiter versucht; solange kannst du solo spielen.</translation>
    </message>
    <message>
        <source>Signed in as %1; entering the lobby room...</source>
        <translation>Angemeldet als %1; du betrittst den Lobbyraum...</translation>
    </message>
    <message>
        <source>In the lobby at %1 as %2.</source>
        <translation>In der Lobby auf %1 als %2.</translation>
    </message>
    <message>
        <source>The account was not created: %1</source>
        <translation>Das Konto wurde nicht erstellt: %1</translation>
    </message>
    <message>
        <source>Signing in failed: %1</source>
        <translation>Die Anmeldung ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The settings could not be saved in %1.</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden.</translation>
    </message>
    <message>
        <source>Starting a solo game.</source>
        <translation>Ein Solospiel wird gestartet.</translation>
    </message>
    <message>
        <source>Starting the game: vimbrel %1</source>
        <translation>Das Spiel wird gestartet: vimbrel %1</translation>
    </message>
    <message>
        <source>That table is no longer listed.</source>
        <translation>Dieser Tisch steht nicht mehr in der Liste.</translation>
    </message>
    <message>
        <source>That table has no address to join.</source>
        <translation>Dieser Tisch hat keine Adresse zum Beitreten.</translation>
    </message>
    <message>
        <source>Asking the lobby&apos;s server for a table...</source>
        <translation>Der Server der Lobby wird um einen Tisch gebeten...</translation>
    </message>
    <message>
        <source>The server did not open a table: %1</source>
        <translation>Der Server hat keinen Tisch eröffnet: %1</translation>
    </message>
</context>
<context>
    <name>zumvek::LobbySession</name>
    <message>
        <source>The list of tables is not available at the moment (%1). Trying again.</source>
        <translation>Die Liste der Tische ist gerade nicht verfügbar (%1). Es wird erneut versucht.</translation>
    </message>
    <message>
        <source>The lobby did not list your table: %1</source>
        <translation>Die Lobby hat deinen Tisch nicht aufgenommen: %1</translation>
    </message>
    <message>
        <source>You are not in the lobby.</source>
        <translation>Du bist nicht in der Lobby.</translation>
    </message>
    <message>
        <source>the answer named no usable address</source>
        <translation>die Antwort nannte keine brauchbare Adresse</translation>
    </message>
    <message>
        <source>%1 was not muted: %2</source>
        <translation>%1 wurde nicht stummgeschaltet: %2</translation>
    </message>
    <message>
        <source>%1 was not unmuted: %2</source>
        <translation>%1 wurde nicht wieder freigeschaltet: %2</translation>
    </message>
    <message>
        <source>%1 was not banned: the room does not show the account.</source>
        <translation>%1 wurde nicht gesperrt: Der Raum zeigt das Konto nicht.</translation>
    </message>
    <message>
        <source>%1 was not banned: %2</source>
        <translation>%1 wurde nicht gesperrt: %2</translation>
    </message>
    <message>
        <source>Your message was not sent: %1</source>
        <translation>Deine Nachricht wurde nicht gesendet: %1</translation>
    </message>
</context>
<context>
    <name>zumvek::LobbyWindow</name>
    <message>
        <source>Zumvek Lobby</source>
        <translation>Zumvek Lobby</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>Tables</source>
        <translation>Tische</translation>
    </message>
    <message>
        <source>&amp;Join</source>
        <translation>&amp;Beitreten</translation>
    </message>
    <message>
        <source>Join</source>
        <translation>Beitreten</translation>
    </message>
    <message>
        <source>&amp;Watch</source>
        <translation>&amp;Zuschauen</translation>
    </message>
    <message>
        <source>Watch</source>
        <translation>Zuschauen</translation>
    </message>
    <message>
        <source>&amp;Host a Table</source>
        <translation>Tisch &amp;eröffnen</translation>
    </message>
    <message>
        <source>Host a Table</source>
        <translation>Tisch eröffnen</translation>
    </message>
    <message>
        <source>Host on the Ser&amp;ver</source>
        <translation>Auf dem Ser&amp;ver eröffnen</translation>
    </message>
    <message>
        <source>Host on the Server</source>
        <translation>Auf dem Server eröffnen</translation>
    </message>
    <message>
        <source>Play &amp;Solo</source>
        <translation>&amp;Solo spielen</translation>
    </message>
    <message>
        <source>Play Solo</source>
        <translation>Solo spielen</translation>
    </message>
    <message>
        <source>Take a seat at the selected table (Enter).</source>
        <translation>Am gewählten Tisch Platz nehmen (Eingabetaste).</translation>
    </message>
    <message>
        <source>Watch the game at the selected table.</source>
        <translation>Dem Spiel am gewählten Tisch zuschauen.</translation>
    </message>
    <message>
        <source>Host a table on this computer; others join you here.</source>
        <translation>Einen Tisch auf diesem Computer eröffnen; andere kommen hierher zu dir.</translation>
    </message>
    <message>
        <source>Host a table on the lobby&apos;s server: for when others cannot reach your computer.</source>
        <translation>Einen Tisch auf dem Server der Lobby eröffnen: wenn andere deinen Computer nicht erreichen können.</translation>
    </message>
    <message>
        <source>A game against the computer, with or without the lobby.</source>
        <translation>Ein Spiel gegen den Computer, mit oder ohne Lobby.</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>Say something to everyone in the lobby</source>
        <translation>Sag etwas zu allen in der Lobby</translation>
    </message>
    <message>
        <source>Sen&amp;d</source>
        <translation>Sen&amp;den</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>&amp;Tables:</source>
        <translation>&amp;Tische:</translation>
    </message>
    <message>
        <source>&amp;Online:</source>
        <translation>&amp;Online:</translation>
    </message>
    <message>
        <source>&amp;Chat:</source>
        <translation>&amp;Chat:</translation>
    </message>
    <message>
        <source>&amp;Message:</source>
        <translation>&amp;Nachricht:</translation>
    </message>
    <message>
        <source>&amp;Lobby</source>
        <translation>&amp;Lobby</translation>
    </message>
    <message>
        <source>&amp;Sign In Again...</source>
        <translation>Erneut &amp;anmelden...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>%1 (watching at %2)</source>
        <translation>%1 (schaut zu bei %2)</translation>
    </message>
    <message>
        <source>%1 (playing at %2)</source>
        <translation>%1 (spielt bei %2)</translation>
    </message>
    <message>
        <source>Reason (%1 sees it):</source>
        <translation>Grund (%1 sieht ihn):</translation>
    </message>
    <message>
        <source>Un&amp;mute %1</source>
        <translation>&amp;Stummschaltung von %1 aufheben</translation>
    </message>
    <message>
        <source>&amp;Mute %1...</source>
        <translation>%1 &amp;stummschalten...</translation>
    </message>
    <message>
        <source>Mute %1</source>
        <translation>%1 stummschalten</translation>
    </message>
    <message>
        <source>&amp;Ban %1...</source>
        <translation>%1 s&amp;perren...</translation>
    </message>
    <message>
        <source>Ban %1</source>
        <translation>%1 sperren</translation>
    </message>
    <message>
        <source>&amp;Best Players</source>
        <translation>Bestenl&amp;iste</translation>
    </message>
    <message>
        <source>Best Players</source>
        <translation>Bestenliste</translation>
    </message>
    <message>
        <source>The players with the best ratings in the lobby.</source>
        <translation>Die Spieler mit den besten Wertungen in der Lobby.</translation>
    </message>
    <message>
        <source>%1, rating %2</source>
        <translation>%1, Wertung %2</translation>
    </message>
    <message numerus="yes">
        <source>Rating %1 after %n rated game(s)</source>
        <translation>
            <numerusform>Wertung %1 nach %n gewerteten Spiel</numerusform>
            <numerusform>Wertung %1 nach %n gewerteten Spielen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>zumvek::PasswordStore</name>
    <message>
        <source>This desktop has no secret store, so the password was not saved. You will be asked for it next time.</source>
        <translation>Dieser Desktop hat keinen Schlüsselbund, daher wurde das Passwort nicht gespeichert. Beim nächsten Mal wirst du danach gefragt.</translation>
    </message>
    <message>
        <source>The password was not saved in the desktop&apos;s secret store (%1).</source>
        <translation>Das Passwort wurde nicht im Schlüsselbund des Desktops gespeichert (%1).</translation>
    </message>
</context>
<context>
    <name>zumvek::SignInDialog</name>
    <message>
        <source>Zumvek Lobby - Sign In</source>
        <translation>Zumvek Lobby - Anmelden</translation>
    </message>
    <message>
        <source>Sign in to find a table and play with others. A guest needs no account.</source>
        <translation>Melde dich an, um einen Tisch zu finden und mit anderen zu spielen. Als Gast brauchst du kein Konto.</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>&amp;Keep the password in this desktop&apos;s secret store</source>
        <translation>Passwort im Schlüsselbund des Desktops &amp;behalten</translation>
    </message>
    <message>
        <source>Keep the password</source>
        <translation>Passwort behalten</translation>
    </message>
    <message>
        <source>&amp;Server:</source>
        <translation>&amp;Server:</translation>
    </message>
    <message>
        <source>&amp;Account:</source>
        <translation>&amp;Konto:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>Sign-in status</source>
        <translation>Stand der Anmeldung</translation>
    </message>
    <message>
        <source>&amp;Log in</source>
        <translation>&amp;Anmelden</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>&amp;Create account</source>
        <translation>Konto &amp;erstellen</translation>
    </message>
    <message>
        <source>Create account</source>
        <translation>Konto erstellen</translation>
    </message>
    <message>
        <source>Come in as a &amp;guest</source>
        <translation>Als &amp;Gast eintreten</translation>
    </message>
    <message>
        <source>Come in as a guest</source>
        <translation>Als Gast eintreten</translation>
    </message>
</context>
<context>
    <name>zumvek::TableView</name>
    <message>
        <source>Table</source>
        <translation>Tisch</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Gastgeber</translation>
    </message>
    <message>
        <source>Players</source>
        <translation>Spieler</translation>
    </message>
    <message>
        <source>Spectators</source>
        <translation>Zuschauer</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Stand</translation>
    </message>
    <message>
        <source>Reachable</source>
        <translation>Erreichbar</translation>
    </message>
    <message>
        <source>%1 (on the server)</source>
        <translation>%1 (auf dem Server)</translation>
    </message>
    <message>
        <source>playing</source>
        <translation>spielt</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>wird geprüft</translation>
    </message>
    <message>
        <source>reachable</source>
        <translation>erreichbar</translation>
    </message>
    <message>
        <source>not reachable</source>
        <translation>nicht erreichbar</translation>
    </message>
</context>
</TS>
