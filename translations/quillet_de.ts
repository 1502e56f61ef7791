<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AIService</name>
    <message>
        <source>The request timed out.</source>
        <translation>Die Anfrage hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>The request was cancelled.</source>
        <translation>Die Anfrage wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The answer was too long and was cut off after %1 characters.</source>
        <translation>Die Antwort war zu lang und wurde nach %1 Zeichen abgeschnitten.</translation>
    </message>
    <message>
        <source>Invalid response</source>
        <translation>Ungültige Antwort</translation>
    </message>
    <message>
        <source>Invalid API URL</source>
        <translation>Ungültige API-Adresse</translation>
    </message>
    <message>
        <source>Invalid API key</source>
        <translation>Ungültiger API-Schlüssel</translation>
    </message>
    <message>
        <source>Could not parse API response</source>
        <translation>Die Antwort der API konnte nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>AISettingsView</name>
    <message>
        <source>Always require approval</source>
        <translation>Immer nachfragen</translation>
    </message>
    <message>
        <source>AI decides (block dangerous)</source>
        <translation>KI entscheidet (Gefährliches wird blockiert)</translation>
    </message>
    <message>
        <source>Never require approval</source>
        <translation>Nie nachfragen</translation>
    </message>
</context>
<context>
    <name>ClearConfirmation</name>
    <message numerus="yes">
        <source>Remove %n entry(s) from the history?</source>
        <translation>
            <numerusform>%n Eintrag aus dem Verlauf entfernen?</numerusform>
            <numerusform>%n Einträge aus dem Verlauf entfernen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Pinned entries stay.</source>
        <translation>Angeheftete Einträge bleiben erhalten.</translation>
    </message>
    <message numerus="yes">
        <source>The %n pinned entry(s) stay.</source>
        <translation>
            <numerusform>Der angeheftete Eintrag bleibt erhalten.</numerusform>
            <numerusform>Die %n angehefteten Einträge bleiben erhalten.</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>Verlauf leeren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
</context>
<context>
    <name>ConversationList</name>
    <message>
        <source>Delete conversation</source>
        <translation>Unterhaltung löschen</translation>
    </message>
</context>
<context>
    <name>ConversationSession</name>
    <message>
        <source>(output dropped to save memory: %1 KB)</source>
        <translation>(Ausgabe verworfen, um Speicher zu sparen: %1 KB)</translation>
    </message>
</context>
<context>
    <name>ConversationView</name>
    <message>
        <source>Ran without asking, in a sandbox: it could change no file, reach no network and read no secret</source>
        <translation>Ohne Nachfrage in einer Sandbox ausgeführt: Der Befehl konnte keine Datei ändern, kein Netzwerk erreichen und keine Geheimnisse lesen</translation>
    </message>
    <message>
        <source>Ran with your approval</source>
        <translation>Mit Ihrer Freigabe ausgeführt</translation>
    </message>
    <message>
        <source>Run this command?</source>
        <translation>Diesen Befehl ausführen?</translation>
    </message>
    <message>
        <source>Deny</source>
        <translation>Ablehnen</translation>
    </message>
    <message>
        <source>Allow</source>
        <translation>Erlauben</translation>
    </message>
    <message>
        <source>Thinking...</source>
        <translation>Denkt nach …</translation>
    </message>
    <message>
        <source>read-only</source>
        <translation>nur lesend</translation>
    </message>
    <message>
        <source>approved</source>
        <translation>freigegeben</translation>
    </message>
</context>
<context>
    <name>DerivedValues</name>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Clipboard Content</source>
        <translation>Inhalt der Zwischenablage</translation>
    </message>
</context>
<context>
    <name>DesktopEntries</name>
    <message>
        <source>No application “%1” is installed.</source>
        <translation>Es ist keine Anwendung „%1“ installiert.</translation>
    </message>
    <message>
        <source>Could not open “%1”: %2</source>
        <translation>„%1“ konnte nicht geöffnet werden: %2</translation>
    </message>
</context>
<context>
    <name>DesktopSession</name>
    <message>
        <source>Quillet pastes through the compositor&apos;s virtual keyboard</source>
        <translation>Quillet fügt über die virtuelle Tastatur des Compositors ein</translation>
    </message>
    <message>
        <source>Chosen entries are only copied</source>
        <translation>Gewählte Einträge werden nur kopiert</translation>
    </message>
    <message>
        <source>Pasting an item types Ctrl+V into the application in front through a virtual keyboard, which needs a compositor offering the virtual-keyboard protocol (sway, Hyprland) or KDE Plasma&apos;s fake input. Without it, press Ctrl+V yourself after choosing an entry.</source>
        <translation>Zum Einfügen tippt Quillet Strg+V über eine virtuelle Tastatur in die Anwendung im Vordergrund; dafür braucht es einen Compositor mit dem Protokoll für virtuelle Tastaturen (sway, Hyprland) oder die simulierte Eingabe von KDE Plasma. Ohne sie drücken Sie nach der Auswahl eines Eintrags selbst Strg+V.</translation>
    </message>
    <message>
        <source>How to Paste...</source>
        <translation>So wird eingefügt …</translation>
    </message>
    <message>
        <source>This compositor offers Quillet no virtual keyboard.</source>
        <translation>Dieser Compositor bietet Quillet keine virtuelle Tastatur.</translation>
    </message>
    <message>
        <source>Chosen entries are put on the clipboard: press Ctrl+V in your application to paste them. To have Quillet paste for you, use a compositor with the virtual-keyboard protocol (sway, Hyprland) or KDE Plasma, or start Quillet with QT_QPA_PLATFORM=xcb to work through XWayland.</source>
        <translation>Gewählte Einträge werden in die Zwischenablage gelegt: Drücken Sie Strg+V in Ihrer Anwendung, um sie einzufügen. Damit Quillet für Sie einfügt, verwenden Sie einen Compositor mit dem Protokoll für virtuelle Tastaturen (sway, Hyprland) oder KDE Plasma, oder starten Sie Quillet mit QT_QPA_PLATFORM=xcb, um über XWayland zu arbeiten.</translation>
    </message>
    <message>
        <source>Quillet cannot type pastes for you: the compositor offers no virtual keyboard. Chosen entries are put on the clipboard; paste them with Ctrl+V.</source>
        <translation>Quillet kann nicht für Sie einfügen: Der Compositor bietet keine virtuelle Tastatur. Gewählte Einträge werden in die Zwischenablage gelegt; fügen Sie sie mit Strg+V ein.</translation>
    </message>
    <message>
        <source>KWin lets Quillet paste through its fake input</source>
        <translation>KWin lässt Quillet über seine simulierte Eingabe einfügen</translation>
    </message>
    <message>
        <source>Pasting an item types Ctrl+V into the application in front through KWin&apos;s fake input, which KWin grants to programs whose installed desktop entry asks for it.</source>
        <translation>Zum Einfügen tippt Quillet Strg+V über die simulierte Eingabe von KWin in die Anwendung im Vordergrund; KWin gewährt sie Programmen, deren installierter Desktop-Eintrag sie anfordert.</translation>
    </message>
    <message>
        <source>KWin does not let Quillet type.</source>
        <translation>KWin lässt Quillet keine Eingaben machen.</translation>
    </message>
    <message>
        <source>KWin grants its fake input (and the active window) only to a program that an installed desktop entry names in Exec and that asks for them in X-KDE-Wayland-Interfaces, as Quillet&apos;s own entry does. Install Quillet (its package puts app.quillet.Quillet.desktop where KDE finds it) and run the installed program rather than one from a build folder. Meanwhile chosen entries are put on the clipboard: press Ctrl+V in your application to paste them.</source>
        <translation>KWin gewährt seine simulierte Eingabe (und das aktive Fenster) nur einem Programm, das ein installierter Desktop-Eintrag unter Exec nennt und das sie unter X-KDE-Wayland-Interfaces anfordert, wie es der Eintrag von Quillet tut. Installieren Sie Quillet (sein Paket legt app.quillet.Quillet.desktop dort ab, wo KDE es findet) und starten Sie das installierte Programm statt eines aus einem Build-Ordner. Bis dahin werden gewählte Einträge in die Zwischenablage gelegt: Drücken Sie Strg+V in Ihrer Anwendung, um sie einzufügen.</translation>
    </message>
    <message>
        <source>Quillet cannot type pastes for you: KWin has not granted it fake input. Chosen entries are put on the clipboard; paste them with Ctrl+V.</source>
        <translation>Quillet kann nicht für Sie einfügen: KWin hat ihm keine simulierte Eingabe gewährt. Gewählte Einträge werden in die Zwischenablage gelegt; fügen Sie sie mit Strg+V ein.</translation>
    </message>
</context>
<context>
    <name>GeminiStreamParser</name>
    <message>
        <source>The service rejected the request</source>
        <translation>Der Dienst hat die Anfrage abgelehnt</translation>
    </message>
    <message>
        <source>The service refused the API key</source>
        <translation>Der Dienst hat den API-Schlüssel abgelehnt</translation>
    </message>
    <message>
        <source>The model was not found</source>
        <translation>Das Modell wurde nicht gefunden</translation>
    </message>
    <message>
        <source>The service took too long to answer</source>
        <translation>Der Dienst hat zu lange für die Antwort gebraucht</translation>
    </message>
    <message>
        <source>Too many requests; try again later</source>
        <translation>Zu viele Anfragen; versuchen Sie es später erneut</translation>
    </message>
    <message>
        <source>The service is unavailable</source>
        <translation>Der Dienst ist nicht verfügbar</translation>
    </message>
    <message>
        <source>The service failed</source>
        <translation>Der Dienst ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>The service answered with an error</source>
        <translation>Der Dienst hat mit einem Fehler geantwortet</translation>
    </message>
    <message>
        <source>The answer was cut off before it was complete.</source>
        <translation>Die Antwort wurde abgeschnitten, bevor sie vollständig war.</translation>
    </message>
</context>
<context>
    <name>GeneralSettingsView</name>
    <message>
        <source>0.25s (Faster)</source>
        <translation>0,25 s (schneller)</translation>
    </message>
    <message>
        <source>0.5s (Default)</source>
        <translation>0,5 s (Standard)</translation>
    </message>
    <message>
        <source>1.0s (Slower)</source>
        <translation>1,0 s (langsamer)</translation>
    </message>
    <message>
        <source>2.0s (Battery saver)</source>
        <translation>2,0 s (Akku schonen)</translation>
    </message>
    <message>
        <source>just now</source>
        <translation>gerade eben</translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>vor %n Minute</numerusform>
            <numerusform>vor %n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>vor %n Stunde</numerusform>
            <numerusform>vor %n Stunden</numerusform>
        </translation>
    </message>
    <message>
        <source>yesterday</source>
        <translation>gestern</translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>vor %n Tag</numerusform>
            <numerusform>vor %n Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation>
            <numerusform>vor %n Monat</numerusform>
            <numerusform>vor %n Monaten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation>
            <numerusform>vor %n Jahr</numerusform>
            <numerusform>vor %n Jahren</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>HistoryItemMenu</name>
    <message>
        <source>Unpin</source>
        <translation>Lösen</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Anheften</translation>
    </message>
    <message>
        <source>Save as Snippet</source>
        <translation>Als Textbaustein speichern</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>HistoryManager</name>
    <message>
        <source>History unavailable: %1</source>
        <translation>Verlauf nicht verfügbar: %1</translation>
    </message>
    <message numerus="yes">
        <source>Copies cannot be saved now: %1. %n copy(s) kept until they can.</source>
        <translation>
            <numerusform>Kopien können gerade nicht gespeichert werden: %1. %n Kopie wird aufbewahrt, bis es wieder geht.</numerusform>
            <numerusform>Kopien können gerade nicht gespeichert werden: %1. %n Kopien werden aufbewahrt, bis es wieder geht.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %n older copy(s) could not be kept.</source>
        <translation>
            <numerusform> %n ältere Kopie konnte nicht aufbewahrt werden.</numerusform>
            <numerusform> %n ältere Kopien konnten nicht aufbewahrt werden.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ItemPresentation</name>
    <message numerus="yes">
        <source>%n sec.</source>
        <translation>
            <numerusform>%n Sek.</numerusform>
            <numerusform>%n Sek.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n yr.</source>
        <translation>
            <numerusform>%n J.</numerusform>
            <numerusform>%n J.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n mo.</source>
        <translation>
            <numerusform>%n Mon.</numerusform>
            <numerusform>%n Mon.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n wk.</source>
        <translation>
            <numerusform>%n Wo.</numerusform>
            <numerusform>%n Wo.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hr.</source>
        <translation>
            <numerusform>%n Std.</numerusform>
            <numerusform>%n Std.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n min.</source>
        <translation>
            <numerusform>%n Min.</numerusform>
            <numerusform>%n Min.</numerusform>
        </translation>
    </message>
    <message>
        <source>in %1</source>
        <translation>in %1</translation>
    </message>
    <message>
        <source>%1 ago</source>
        <translation>vor %1</translation>
    </message>
</context>
<context>
    <name>KeyboardShortcuts</name>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Umschalt</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>space</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Record Shortcut</source>
        <translation>Tastenkürzel aufnehmen</translation>
    </message>
    <message>
        <source>Press a shortcut</source>
        <translation>Tastenkürzel drücken</translation>
    </message>
    <message>
        <source>This keyboard shortcut is already used for “%1” in applications; as a global shortcut it would stop working there.</source>
        <translation>Dieses Tastenkürzel wird in Anwendungen schon für „%1“ verwendet; als globales Tastenkürzel würde es dort nicht mehr funktionieren.</translation>
    </message>
    <message>
        <source>A keyboard shortcut needs a modifier other than Alt.</source>
        <translation>Ein Tastenkürzel braucht eine andere Zusatztaste als Alt.</translation>
    </message>
    <message>
        <source>This keyboard shortcut is already used by the system or another application.</source>
        <translation>Dieses Tastenkürzel wird schon vom System oder einer anderen Anwendung verwendet.</translation>
    </message>
    <message>
        <source>You can change the desktop&apos;s shortcuts in your desktop environment&apos;s keyboard settings.</source>
        <translation>Die Tastenkürzel der Arbeitsumgebung können Sie in deren Tastatureinstellungen ändern.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Use Anyway</source>
        <translation>Trotzdem verwenden</translation>
    </message>
    <message>
        <source>Set in Desktop...</source>
        <translation>In der Arbeitsumgebung festlegen …</translation>
    </message>
    <message>
        <source>Not Assigned</source>
        <translation>Nicht zugewiesen</translation>
    </message>
</context>
<context>
    <name>LauncherView</name>
    <message>
        <source>? Ask a question...</source>
        <translation>? Eine Frage stellen …</translation>
    </message>
    <message>
        <source>&gt; Describe a task...</source>
        <translation>&gt; Eine Aufgabe beschreiben …</translation>
    </message>
    <message>
        <source>Search apps, ? AI chat, &gt; terminal...</source>
        <translation>Anwendungen suchen, ? KI-Chat, &gt; Terminal …</translation>
    </message>
</context>
<context>
    <name>LauncherViewModel</name>
    <message>
        <source>Could not open %1.</source>
        <translation>%1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>%1 konnte nicht geöffnet werden: %2</translation>
    </message>
</context>
<context>
    <name>PasteExplanation</name>
    <message>
        <source>Pasting an item sends Ctrl+V to the application in front, which needs the X server&apos;s XTest extension.</source>
        <translation>Zum Einfügen sendet Quillet Strg+V an die Anwendung im Vordergrund; dafür braucht es die XTest-Erweiterung des X-Servers.</translation>
    </message>
    <message>
        <source>Quillet cannot send keystrokes on this display.</source>
        <translation>Quillet kann auf dieser Anzeige keine Tastendrücke senden.</translation>
    </message>
    <message>
        <source>To paste, Quillet sends Ctrl+V through the XTest extension of the X server, and this display does not offer it. Run Quillet in an X11 session with XTest enabled (every standard X server has it), then come back here: this section updates by itself.</source>
        <translation>Zum Einfügen sendet Quillet Strg+V über die XTest-Erweiterung des X-Servers, und diese Anzeige bietet sie nicht an. Starten Sie Quillet in einer X11-Sitzung mit XTest (jeder übliche X-Server hat es) und kehren Sie dann hierher zurück: Dieser Abschnitt aktualisiert sich von selbst.</translation>
    </message>
    <message>
        <source>Quillet cannot type pastes for you: the X server offers no XTest extension. Chosen entries are put on the clipboard; paste them with Ctrl+V.</source>
        <translation>Quillet kann nicht für Sie einfügen: Der X-Server bietet keine XTest-Erweiterung. Gewählte Einträge werden in die Zwischenablage gelegt; fügen Sie sie mit Strg+V ein.</translation>
    </message>
    <message>
        <source>Quillet pastes through the X server&apos;s XTest extension</source>
        <translation>Quillet fügt über die XTest-Erweiterung des X-Servers ein</translation>
    </message>
    <message>
        <source>Chosen entries are only copied</source>
        <translation>Gewählte Einträge werden nur kopiert</translation>
    </message>
    <message>
        <source>How to Paste...</source>
        <translation>So wird eingefügt …</translation>
    </message>
</context>
<context>
    <name>SettingsViewModel</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n Byte</numerusform>
            <numerusform>%n Byte</numerusform>
        </translation>
    </message>
    <message>
        <source>The history could not be read from the store.</source>
        <translation>Der Verlauf konnte nicht aus dem Speicher gelesen werden.</translation>
    </message>
</context>
<context>
    <name>SnippetsViewModel</name>
    <message>
        <source>Snippets</source>
        <translation>Textbausteine</translation>
    </message>
    <message>
        <source>Snippet</source>
        <translation>Textbaustein</translation>
    </message>
</context>
<context>
    <name>SpecialKey</name>
    <message>
        <source>Return</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Rücktaste</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Entf</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Einfg</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Pos1</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Page Up</source>
        <translation>Bild auf</translation>
    </message>
    <message>
        <source>Page Down</source>
        <translation>Bild ab</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Runter</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>KP Clear</source>
        <translation>Ziffernblock Löschen</translation>
    </message>
    <message>
        <source>KP Enter</source>
        <translation>Ziffernblock Eingabe</translation>
    </message>
</context>
<context>
    <name>Store</name>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the history is locked by another program</source>
        <translation>der Verlauf ist von einem anderen Programm gesperrt</translation>
    </message>
    <message>
        <source>the history file is read-only</source>
        <translation>die Verlaufsdatei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the disk reported an error</source>
        <translation>der Datenträger hat einen Fehler gemeldet</translation>
    </message>
    <message>
        <source>the history file cannot be opened</source>
        <translation>die Verlaufsdatei kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>TextPrompt</name>
    <message>
        <source>Fix grammar &amp; spelling</source>
        <translation>Grammatik &amp; Rechtschreibung korrigieren</translation>
    </message>
    <message>
        <source>Make professional</source>
        <translation>Professionell formulieren</translation>
    </message>
    <message>
        <source>Make concise</source>
        <translation>Kürzer fassen</translation>
    </message>
    <message>
        <source>Translate to English</source>
        <translation>Ins Englische übersetzen</translation>
    </message>
    <message>
        <source>Translate to Chinese</source>
        <translation>Ins Chinesische übersetzen</translation>
    </message>
    <message>
        <source>Summarize</source>
        <translation>Zusammenfassen</translation>
    </message>
    <message>
        <source>Explain simply</source>
        <translation>Einfach erklären</translation>
    </message>
</context>
<context>
    <name>TextTransformManager</name>
    <message>
        <source>No text selected</source>
        <translation>Kein Text ausgewählt</translation>
    </message>
    <message>
        <source>Please set your Gemini API key in Settings → AI</source>
        <translation>Bitte legen Sie Ihren Gemini-API-Schlüssel unter Einstellungen → KI fest</translation>
    </message>
    <message>
        <source>Stopped before the answer was complete.</source>
        <translation>Angehalten, bevor die Antwort vollständig war.</translation>
    </message>
    <message>
        <source>The answer was empty.</source>
        <translation>Die Antwort war leer.</translation>
    </message>
    <message>
        <source>Quillet cannot send the copy keystroke on this desktop</source>
        <translation>Quillet kann auf diesem Desktop keinen Tastendruck zum Kopieren senden</translation>
    </message>
</context>
<context>
    <name>quillet::AISettingsView</name>
    <message>
        <source>Gemini API</source>
        <translation>Gemini-API</translation>
    </message>
    <message>
        <source>Show the key</source>
        <translation>Schlüssel anzeigen</translation>
    </message>
    <message>
        <source>Hide the key</source>
        <translation>Schlüssel verbergen</translation>
    </message>
    <message>
        <source>API Key</source>
        <translation>API-Schlüssel</translation>
    </message>
    <message>
        <source>Each feature&apos;s default</source>
        <translation>Standard der jeweiligen Funktion</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>Nutzung</translation>
    </message>
    <message>
        <source>Input tokens</source>
        <translation>Eingabe-Token</translation>
    </message>
    <message>
        <source>Output tokens</source>
        <translation>Ausgabe-Token</translation>
    </message>
    <message>
        <source>Estimated cost</source>
        <translation>Geschätzte Kosten</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Get a free API key from &lt;a href=&quot;%1&quot;&gt;Google AI Studio&lt;/a&gt;</source>
        <translation>Einen kostenlosen API-Schlüssel erhalten Sie bei &lt;a href=&quot;%1&quot;&gt;Google AI Studio&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Command Approval</source>
        <translation>Freigabe von Befehlen</translation>
    </message>
    <message>
        <source>AI Chat (?) mode</source>
        <translation>KI-Chat (?)</translation>
    </message>
    <message>
        <source>Terminal (&gt;) mode</source>
        <translation>Terminal (&gt;)</translation>
    </message>
    <message>
        <source>&quot;AI decides&quot; runs a command at once only when every part of it is a known read-only command (ls, cat, grep, git status, …), and then in a sandbox where it can change no file, reach no network and read no secret; anything else waits for your approval.</source>
        <translation>Bei „KI entscheidet“ läuft ein Befehl nur dann sofort, wenn jeder seiner Teile ein bekannter, nur lesender Befehl ist (ls, cat, grep, git status, …), und dann in einer Sandbox, in der er keine Datei ändern, kein Netzwerk erreichen und keine Geheimnisse lesen kann; alles andere wartet auf Ihre Freigabe.</translation>
    </message>
    <message>
        <source>This system offers no sandbox (bubblewrap or Landlock), so every command waits for your approval.</source>
        <translation>Dieses System bietet keine Sandbox (bubblewrap oder Landlock), daher wartet jeder Befehl auf Ihre Freigabe.</translation>
    </message>
    <message>
        <source>Built-in Prompts</source>
        <translation>Eingebaute Anweisungen</translation>
    </message>
    <message>
        <source>Custom Prompts</source>
        <translation>Eigene Anweisungen</translation>
    </message>
    <message>
        <source>Add Prompt</source>
        <translation>Anweisung hinzufügen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Text transform and Test Connection: %1
Launcher chat and terminal: %2
Conversation titles: %3 (always)</source>
        <translation>Textumwandlung und Verbindungstest: %1
Chat und Terminal im Starter: %2
Titel der Unterhaltungen: %3 (immer)</translation>
    </message>
    <message>
        <source>Shortcut for %1</source>
        <translation>Tastenkürzel für %1</translation>
    </message>
    <message>
        <source>Edit %1</source>
        <translation>%1 bearbeiten</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>%1 löschen</translation>
    </message>
</context>
<context>
    <name>quillet::AITransformView</name>
    <message>
        <source>Custom prompt...</source>
        <translation>Eigene Anweisung …</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>AI Transform</source>
        <translation>KI-Umwandlung</translation>
    </message>
    <message>
        <source>The texts are too long to compare in time; the answer is shown without its changes marked.</source>
        <translation>Die Texte sind zu lang, um sie rechtzeitig zu vergleichen; die Antwort wird ohne markierte Änderungen gezeigt.</translation>
    </message>
    <message>
        <source>The answer is incomplete: it can be read and copied from here, but not applied.</source>
        <translation>Die Antwort ist unvollständig: Sie kann hier gelesen und kopiert, aber nicht übernommen werden.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Working</source>
        <translation>In Arbeit</translation>
    </message>
    <message>
        <source>Selected text</source>
        <translation>Markierter Text</translation>
    </message>
    <message>
        <source>Custom prompt</source>
        <translation>Eigene Anweisung</translation>
    </message>
    <message>
        <source>Type an instruction and press Return, or choose a prompt from the list with Up and Down. Escape closes the panel.</source>
        <translation>Geben Sie eine Anweisung ein und drücken Sie die Eingabetaste, oder wählen Sie mit den Pfeiltasten nach oben und unten eine Anweisung aus der Liste. Escape schließt das Fenster.</translation>
    </message>
    <message>
        <source>Run custom prompt</source>
        <translation>Eigene Anweisung ausführen</translation>
    </message>
    <message>
        <source>Prompts</source>
        <translation>Anweisungen</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Return applies the result, Escape goes back to the prompts.</source>
        <translation>Die Eingabetaste übernimmt das Ergebnis, Escape kehrt zu den Anweisungen zurück.</translation>
    </message>
    <message>
        <source>Shows what the service answered</source>
        <translation>Zeigt, was der Dienst geantwortet hat</translation>
    </message>
    <message>
        <source>Stops the answer</source>
        <translation>Hält die Antwort an</translation>
    </message>
</context>
<context>
    <name>quillet::AdvancedSettingsView</name>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>Database size:</source>
        <translation>Größe der Datenbank:</translation>
    </message>
    <message>
        <source>Data Management</source>
        <translation>Datenverwaltung</translation>
    </message>
    <message>
        <source>Export History...</source>
        <translation>Verlauf exportieren …</translation>
    </message>
    <message>
        <source>Reset All History</source>
        <translation>Gesamten Verlauf zurücksetzen</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>JSON (*.json)</source>
        <translation>JSON (*.json)</translation>
    </message>
    <message>
        <source>The history could not be exported.</source>
        <translation>Der Verlauf konnte nicht exportiert werden.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Reset History</source>
        <translation>Verlauf zurücksetzen</translation>
    </message>
    <message>
        <source>This will permanently delete all clipboard history. Pinned items will also be deleted. This action cannot be undone.</source>
        <translation>Damit wird der gesamte Verlauf der Zwischenablage dauerhaft gelöscht, auch angeheftete Einträge. Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
</context>
<context>
    <name>quillet::ApiKeyStore</name>
    <message>
        <source>Looking for the desktop&apos;s keyring…</source>
        <translation>Der Schlüsselbund der Arbeitsumgebung wird gesucht …</translation>
    </message>
    <message>
        <source>The key is kept in the desktop&apos;s keyring.</source>
        <translation>Der Schlüssel wird im Schlüsselbund der Arbeitsumgebung aufbewahrt.</translation>
    </message>
    <message>
        <source>The keyring is locked or refused access, so the key could not be read from it.</source>
        <translation>Der Schlüsselbund ist gesperrt oder hat den Zugriff verweigert, daher konnte der Schlüssel nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The key could not be read from the keyring (%1).</source>
        <translation>Der Schlüssel konnte nicht aus dem Schlüsselbund gelesen werden (%1).</translation>
    </message>
    <message>
        <source>The keyring is locked or refused access, so the key is kept in Quillet&apos;s preferences file, readable only by you.</source>
        <translation>Der Schlüsselbund ist gesperrt oder hat den Zugriff verweigert, daher wird der Schlüssel in der Einstellungsdatei von Quillet aufbewahrt, die nur Sie lesen können.</translation>
    </message>
    <message>
        <source>The keyring could not keep the key (%1), so it is kept in Quillet&apos;s preferences file, readable only by you.</source>
        <translation>Der Schlüsselbund konnte den Schlüssel nicht speichern (%1), daher wird er in der Einstellungsdatei von Quillet aufbewahrt, die nur Sie lesen können.</translation>
    </message>
    <message>
        <source>No keyring service is running, so the key is kept in Quillet&apos;s preferences file, readable only by you.</source>
        <translation>Es läuft kein Schlüsselbund-Dienst, daher wird der Schlüssel in der Einstellungsdatei von Quillet aufbewahrt, die nur Sie lesen können.</translation>
    </message>
</context>
<context>
    <name>quillet::AppState</name>
    <message numerus="yes">
        <source>Cleared %n entry(s)</source>
        <translation>
            <numerusform>%n Eintrag geleert</numerusform>
            <numerusform>%n Einträge geleert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deleted %n entry(s)</source>
        <translation>
            <numerusform>%n Eintrag gelöscht</numerusform>
            <numerusform>%n Einträge gelöscht</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::AppearanceSettingsView</name>
    <message>
        <source>Tray Popup</source>
        <translation>Aufklappfenster im Systembereich</translation>
    </message>
    <message>
        <source>Popup width:</source>
        <translation>Breite des Fensters:</translation>
    </message>
    <message>
        <source>Items to show: %1</source>
        <translation>Angezeigte Einträge: %1</translation>
    </message>
    <message>
        <source>%1 px</source>
        <translation>%1 px</translation>
    </message>
    <message>
        <source>Popup width</source>
        <translation>Breite des Fensters</translation>
    </message>
</context>
<context>
    <name>quillet::ClipboardItemRow</name>
    <message>
        <source>Pinned</source>
        <translation>Angeheftet</translation>
    </message>
</context>
<context>
    <name>quillet::ExcludedAppsSettingsView</name>
    <message>
        <source>This desktop does not tell Quillet which application is in front, so copies are recorded without their application and exclusions cannot apply.</source>
        <translation>Diese Arbeitsumgebung teilt Quillet nicht mit, welche Anwendung im Vordergrund ist. Kopien werden daher ohne ihre Anwendung aufgezeichnet, und Ausschlüsse können nicht greifen.</translation>
    </message>
    <message>
        <source>Search apps...</source>
        <translation>Anwendungen suchen …</translation>
    </message>
    <message>
        <source>Loading applications...</source>
        <translation>Anwendungen werden geladen …</translation>
    </message>
    <message>
        <source>No applications found</source>
        <translation>Keine Anwendungen gefunden</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Keine Treffer</translation>
    </message>
</context>
<context>
    <name>quillet::FloatingPanelView</name>
    <message>
        <source>Search...</source>
        <translation>Suchen …</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Quit Quillet</source>
        <translation>Quillet beenden</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Snippets</source>
        <translation>Textbausteine</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Ctrl+Z</source>
        <translation>Strg+Z</translation>
    </message>
    <message>
        <source>Copied — press Ctrl+V</source>
        <translation>Kopiert – mit Strg+V einfügen</translation>
    </message>
    <message>
        <source>Ctrl+1-9 copy · Ctrl+P pin · Del delete</source>
        <translation>Strg+1–9 kopieren, Strg+P pinnen, Entf löschen</translation>
    </message>
    <message>
        <source>Ctrl+1-9 paste · Ctrl+P pin · Del delete</source>
        <translation>Strg+1–9 einfügen, Strg+P pinnen, Entf löschen</translation>
    </message>
    <message>
        <source>Ctrl+1-9 or click</source>
        <translation>Strg+1–9 oder klicken</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Keine Treffer</translation>
    </message>
    <message>
        <source>Empty</source>
        <translation>Leer</translation>
    </message>
    <message>
        <source>No snippets</source>
        <translation>Keine Textbausteine</translation>
    </message>
    <message numerus="yes">
        <source>%n item(s)</source>
        <translation>
            <numerusform>%n Eintrag</numerusform>
            <numerusform>%n Einträge</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n snippet(s)</source>
        <translation>
            <numerusform>%n Textbaustein</numerusform>
            <numerusform>%n Textbausteine</numerusform>
        </translation>
    </message>
    <message>
        <source>Clipboard History</source>
        <translation>Verlauf der Zwischenablage</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Type to filter the list. Up and Down choose an entry, Return pastes it, Ctrl+Tab switches between history and snippets, the Menu key opens the menu, Escape closes the panel.</source>
        <translation>Tippen Sie, um die Liste zu filtern. Die Pfeiltasten nach oben und unten wählen einen Eintrag, die Eingabetaste fügt ihn ein, Strg+Tab wechselt zwischen Verlauf und Textbausteinen, die Menütaste öffnet das Menü, Escape schließt das Fenster.</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Suche leeren</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>Settings, Clear and Quit</source>
        <translation>Einstellungen, Leeren und Beenden</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Show the clipboard history (Ctrl+Tab)</source>
        <translation>Den Verlauf der Zwischenablage zeigen (Strg+Tab)</translation>
    </message>
    <message>
        <source>Show the snippets (Ctrl+Tab)</source>
        <translation>Die Textbausteine zeigen (Strg+Tab)</translation>
    </message>
</context>
<context>
    <name>quillet::GeneralSettingsView</name>
    <message>
        <source>Clipboard</source>
        <translation>Zwischenablage</translation>
    </message>
    <message>
        <source>Polling interval (without XFixes)</source>
        <translation>Abfrageintervall (ohne XFixes)</translation>
    </message>
    <message>
        <source>Copies are noticed as they happen. Only when the X server cannot report clipboard changes is the clipboard checked this often.</source>
        <translation>Kopiervorgänge werden sofort bemerkt. Nur wenn der X-Server Änderungen der Zwischenablage nicht melden kann, wird sie in diesem Abstand geprüft.</translation>
    </message>
    <message>
        <source>Paste after selecting item</source>
        <translation>Nach der Auswahl einfügen</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation>Automatisch nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Maximum history size: %1</source>
        <translation>Maximale Verlaufsgröße: %1</translation>
    </message>
    <message>
        <source>Maximum History Size</source>
        <translation>Maximale Verlaufsgröße</translation>
    </message>
    <message numerus="yes">
        <source>Remove the %n oldest entry(s)?</source>
        <translation>
            <numerusform>Den ältesten Eintrag entfernen?</numerusform>
            <numerusform>Die %n ältesten Einträge entfernen?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The history will keep the newest %n entry(s). Pinned entries stay.</source>
        <translation>
            <numerusform>Der Verlauf behält den neuesten Eintrag. Angeheftete Einträge bleiben erhalten.</numerusform>
            <numerusform>Der Verlauf behält die %n neuesten Einträge. Angeheftete Einträge bleiben erhalten.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>%1s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Last checked: </source>
        <translation>Zuletzt geprüft: </translation>
    </message>
    <message>
        <source>Quillet is updated with your system&apos;s packages.</source>
        <translation>Quillet wird mit den Paketen Ihres Systems aktualisiert.</translation>
    </message>
    <message>
        <source>Pasting</source>
        <translation>Einfügen</translation>
    </message>
</context>
<context>
    <name>quillet::HistoryListModel</name>
    <message>
        <source>Pinned</source>
        <translation>Angeheftet</translation>
    </message>
</context>
<context>
    <name>quillet::HotkeyManager</name>
    <message>
        <source>Show or hide the clipboard history panel</source>
        <translation>Das Fenster mit dem Verlauf der Zwischenablage ein- oder ausblenden</translation>
    </message>
    <message>
        <source>Open the clipboard history</source>
        <translation>Den Verlauf der Zwischenablage öffnen</translation>
    </message>
    <message>
        <source>Open the snippets</source>
        <translation>Die Textbausteine öffnen</translation>
    </message>
    <message>
        <source>Transform the selected text with AI</source>
        <translation>Den ausgewählten Text mit KI umwandeln</translation>
    </message>
    <message>
        <source>Open the launcher</source>
        <translation>Den Starter öffnen</translation>
    </message>
    <message>
        <source>Run the AI prompt “%1”</source>
        <translation>Die KI-Anweisung „%1“ ausführen</translation>
    </message>
</context>
<context>
    <name>quillet::LauncherView</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>No applications match</source>
        <translation>Keine passenden Anwendungen</translation>
    </message>
    <message>
        <source>? AI Chat</source>
        <translation>? KI-Chat</translation>
    </message>
    <message>
        <source>&gt; Terminal</source>
        <translation>&gt; Terminal</translation>
    </message>
    <message>
        <source>Follow up...</source>
        <translation>Nachfragen …</translation>
    </message>
    <message>
        <source>Stop generating</source>
        <translation>Erzeugung anhalten</translation>
    </message>
    <message>
        <source>Launcher</source>
        <translation>Anwendungsstarter</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Type to find an application and press Return to open it. Start with ? to ask the AI, with &gt; to describe a task for the terminal. Up and Down choose a row, Escape closes the launcher.</source>
        <translation>Tippen Sie, um eine Anwendung zu finden, und drücken Sie die Eingabetaste, um sie zu öffnen. Beginnen Sie mit ?, um die KI zu fragen, mit &gt;, um eine Aufgabe für das Terminal zu beschreiben. Die Pfeiltasten nach oben und unten wählen eine Zeile, Escape schließt den Anwendungsstarter.</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Suche leeren</translation>
    </message>
    <message>
        <source>Working</source>
        <translation>In Arbeit</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Anwendungen</translation>
    </message>
    <message>
        <source>Conversations</source>
        <translation>Unterhaltungen</translation>
    </message>
    <message>
        <source>Follow-up message</source>
        <translation>Folgenachricht</translation>
    </message>
</context>
<context>
    <name>quillet::PromptEditorDialog</name>
    <message>
        <source>Edit Prompt</source>
        <translation>Anweisung bearbeiten</translation>
    </message>
    <message>
        <source>New Prompt</source>
        <translation>Neue Anweisung</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>System Prompt</source>
        <translation>Systemanweisung</translation>
    </message>
</context>
<context>
    <name>quillet::QuilletApp</name>
    <message numerus="yes">
        <source>%1 is used by another application, so Quillet cannot react to it. Choose other keys in Settings → Shortcuts.</source>
        <translation>
            <numerusform>%1 wird von einer anderen Anwendung verwendet, daher kann Quillet nicht darauf reagieren. Wählen Sie andere Tasten unter Einstellungen → Tastenkürzel.</numerusform>
            <numerusform>%1 werden von anderen Anwendungen verwendet, daher kann Quillet nicht darauf reagieren. Wählen Sie andere Tasten unter Einstellungen → Tastenkürzel.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Shortcut(s) taken</source>
        <translation>
            <numerusform>Tastenkürzel belegt</numerusform>
            <numerusform>Tastenkürzel belegt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::SearchField</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Suche leeren</translation>
    </message>
</context>
<context>
    <name>quillet::SettingsView</name>
    <message>
        <source>Quillet Settings</source>
        <translation>Quillet-Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Excluded Apps</source>
        <translation>Ausgeschlossene Anwendungen</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Erscheinungsbild</translation>
    </message>
    <message>
        <source>AI</source>
        <translation>KI</translation>
    </message>
    <message>
        <source>Snippets</source>
        <translation>Textbausteine</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Settings sections</source>
        <translation>Bereiche der Einstellungen</translation>
    </message>
</context>
<context>
    <name>quillet::ShortcutRecorderField</name>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Clear shortcut</source>
        <translation>Tastenkürzel entfernen</translation>
    </message>
</context>
<context>
    <name>quillet::ShortcutSettingsView</name>
    <message>
        <source>Global Shortcuts</source>
        <translation>Globale Tastenkürzel</translation>
    </message>
    <message>
        <source>Toggle floating panel:</source>
        <translation>Schwebendes Fenster ein/aus:</translation>
    </message>
    <message>
        <source>Open history:</source>
        <translation>Verlauf öffnen:</translation>
    </message>
    <message>
        <source>Open snippets:</source>
        <translation>Textbausteine öffnen:</translation>
    </message>
    <message>
        <source>AI Transform:</source>
        <translation>KI-Umwandlung:</translation>
    </message>
    <message>
        <source>App Launcher:</source>
        <translation>Anwendungsstarter:</translation>
    </message>
    <message>
        <source>Used by another application</source>
        <translation>Von einer anderen Anwendung belegt</translation>
    </message>
    <message>
        <source>Another application has taken these keys, so they do not reach Quillet. Record other keys, or free them in that application and record them again.</source>
        <translation>Eine andere Anwendung belegt diese Tasten, daher erreichen sie Quillet nicht. Nehmen Sie andere Tasten auf oder geben Sie sie in jener Anwendung frei und nehmen Sie sie erneut auf.</translation>
    </message>
    <message>
        <source>Your desktop keeps these shortcuts. Click one to change it in the desktop&apos;s own dialog.</source>
        <translation>Ihre Arbeitsumgebung verwaltet diese Tastenkürzel. Klicken Sie auf eines, um es im Dialog der Arbeitsumgebung zu ändern.</translation>
    </message>
    <message>
        <source>Your desktop keeps these shortcuts: change them in its keyboard settings.</source>
        <translation>Ihre Arbeitsumgebung verwaltet diese Tastenkürzel: Ändern Sie sie in deren Tastatureinstellungen.</translation>
    </message>
    <message>
        <source>This desktop offers applications no global shortcuts. Bind Quillet&apos;s commands to keys in your compositor&apos;s configuration instead</source>
        <translation>Diese Arbeitsumgebung bietet Anwendungen keine globalen Tastenkürzel. Binden Sie die Befehle von Quillet stattdessen in der Konfiguration Ihres Compositors an Tasten</translation>
    </message>
    <message>
        <source>, for sway in ~/.config/sway/config:&lt;pre&gt;%1&lt;/pre&gt;</source>
        <translation>, für sway in ~/.config/sway/config:&lt;pre&gt;%1&lt;/pre&gt;</translation>
    </message>
</context>
<context>
    <name>quillet::SnippetsSettingsView</name>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>New Snippet</source>
        <translation>Neuer Textbaustein</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Choose a snippet, or add one with +.

Snippets are listed in the panel and the tray, and paste like history entries.</source>
        <translation>Wählen Sie einen Textbaustein oder fügen Sie mit + einen hinzu.

Textbausteine stehen im schwebenden Fenster und im Systembereich und werden wie Verlaufseinträge eingefügt.</translation>
    </message>
    <message>
        <source>Folder name</source>
        <translation>Ordnername</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message numerus="yes">
        <source>%n snippet(s)</source>
        <translation>
            <numerusform>%n Textbaustein</numerusform>
            <numerusform>%n Textbausteine</numerusform>
        </translation>
    </message>
    <message>
        <source>Snippets</source>
        <translation>Textbausteine</translation>
    </message>
    <message>
        <source>Delete Folder</source>
        <translation>Ordner löschen</translation>
    </message>
    <message numerus="yes">
        <source>Delete the folder “%1” and its %n snippet(s)?</source>
        <translation>
            <numerusform>Den Ordner „%1“ und seinen Textbaustein löschen?</numerusform>
            <numerusform>Den Ordner „%1“ und seine %n Textbausteine löschen?</numerusform>
        </translation>
    </message>
    <message>
        <source>This cannot be undone.</source>
        <translation>Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Folders and snippets</source>
        <translation>Ordner und Textbausteine</translation>
    </message>
    <message>
        <source>Deletes the selected snippet or folder</source>
        <translation>Löscht den gewählten Textbaustein oder Ordner</translation>
    </message>
</context>
<context>
    <name>quillet::Store</name>
    <message>
        <source>the history is being converted to a smaller format</source>
        <translation>der Verlauf wird in ein kleineres Format umgewandelt</translation>
    </message>
    <message>
        <source>the history could not be converted: %1</source>
        <translation>der Verlauf konnte nicht umgewandelt werden: %1</translation>
    </message>
</context>
<context>
    <name>quillet::TerminalOutputView</name>
    <message>
        <source>(%1 KB of earlier output not shown)
</source>
        <translation>(%1 KB früherer Ausgabe nicht angezeigt)
</translation>
    </message>
</context>
<context>
    <name>quillet::TrayController</name>
    <message>
        <source>Show History</source>
        <translation>Verlauf anzeigen</translation>
    </message>
    <message>
        <source>Open Floating Panel</source>
        <translation>Schwebendes Fenster öffnen</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit Quillet</source>
        <translation>Quillet beenden</translation>
    </message>
    <message>
        <source>Quillet is not saving copies</source>
        <translation>Quillet speichert keine Kopien</translation>
    </message>
    <message>
        <source>A command waits for your approval: %1</source>
        <translation>Ein Befehl wartet auf Ihre Freigabe: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n command(s) wait for your approval</source>
        <translation>
            <numerusform>%n Befehl wartet auf Ihre Freigabe</numerusform>
            <numerusform>%n Befehle warten auf Ihre Freigabe</numerusform>
        </translation>
    </message>
    <message>
        <source>A command waits for your approval</source>
        <translation>Ein Befehl wartet auf Ihre Freigabe</translation>
    </message>
    <message>
        <source>%1
$ %2
Open the launcher to allow or deny it.</source>
        <translation>%1
$ %2
Öffnen Sie den Starter, um ihn zu erlauben oder abzulehnen.</translation>
    </message>
</context>
<context>
    <name>quillet::TrayHistoryList</name>
    <message>
        <source>No clipboard history</source>
        <translation>Kein Verlauf der Zwischenablage</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Keine Treffer</translation>
    </message>
    <message numerus="yes">
        <source>%n more item(s)...</source>
        <translation>
            <numerusform>%n weiterer Eintrag …</numerusform>
            <numerusform>%n weitere Einträge …</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::TrayPopup</name>
    <message>
        <source>Open floating panel</source>
        <translation>Schwebendes Fenster öffnen</translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>Suchen …</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Snippets</source>
        <translation>Textbausteine</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quillet Menu</source>
        <translation>Quillet-Menü</translation>
    </message>
    <message>
        <source>Entries</source>
        <translation>Einträge</translation>
    </message>
</context>
<context>
    <name>quillet::TraySnippetList</name>
    <message>
        <source>No snippets</source>
        <translation>Keine Textbausteine</translation>
    </message>
</context>
</TS>
