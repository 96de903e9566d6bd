<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ReviewWindow</name>
    <message>
        <location filename="../src/platform/qt/ReviewWindow.cpp" line="+68"/>
        <source>先手</source>
        <translation>Black</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>後手</source>
        <translation>White</translation>
    </message>
</context>
<context>
    <name>Tarvenko</name>
    <message>
        <location filename="../src/com/com_ban.cpp" line="+16"/>
        <source>思考中</source>
        <translation>Thinking</translation>
    </message>
    <message>
        <location filename="../src/game/input.cpp" line="+32"/>
        <source>「対局」で始めて下さい</source>
        <translation>Start a game from the Game menu</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+79"/>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="-55"/>
        <location line="+2"/>
        <source>張駒を選択して下さい</source>
        <translation>Choose a piece from your hand first</translation>
    </message>
    <message>
        <location line="-2"/>
        <location filename="../src/game/menus.cpp" line="+61"/>
        <source>先手の番です</source>
        <translation>Black to move</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../src/game/menus.cpp" line="+2"/>
        <source>後手の番です</source>
        <translation>White to move</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>相手の利き筋に<byte value="xd"/><byte value="xd"/>持駒を置いて下さい</source>
        <translation>Your opponent&apos;s pieces attack empty squares:<byte value="xd"/><byte value="xd"/>drop your piece on one of them</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>注意</source>
        <translation>Attention</translation>
    </message>
    <message>
        <location line="+7"/>
        <location filename="../src/record/kifu.cpp" line="+186"/>
        <source>そこは二歩です</source>
        <translation>That would be two pawns in one file (nifu)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>置けません</source>
        <translation>Cannot drop there</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>駒をクリックて下さい</source>
        <translation>Click a piece in your hand</translation>
    </message>
    <message>
        <location filename="../src/game/menu_table.h" line="+29"/>
        <source>対局</source>
        <translation>Game</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>対局(人間)</source>
        <translation>Two Players</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>スタート</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>対局(COM)</source>
        <translation>Against the Computer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>先手</source>
        <translation>Play Black (first)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>後手</source>
        <translation>Play White (second)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>詰め問題…</source>
        <translation>Puzzles…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>終わり</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>局面</source>
        <translation>Position</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最初</source>
        <translation>Back to Start</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>棋譜を保存…</source>
        <translation>Save Record…</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>棋譜を開く…</source>
        <translation>Open Record…</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>続きから</source>
        <translation>Resume Last Game</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>棋譜解析…</source>
        <translation>Review Game…</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../src/puzzles/Session.cpp" line="+213"/>
        <source>戻</source>
        <translation>Back</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>進</source>
        <translation>Forward</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ｵﾌﾟｼｮﾝ</source>
        <translation>Options</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>強さ</source>
        <translation>Strength</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>標準</source>
        <translation>Standard</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>強い</source>
        <translation>Strong</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>最強</source>
        <translation>Strongest</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ヒント</source>
        <translation>Hint</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>解析</source>
        <translation>Analysis</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>全画面表示</source>
        <translation>Full Screen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>成績…</source>
        <translation>Statistics…</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../src/game/menus.cpp" line="+18"/>
        <source>その他</source>
        <translation>About</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../src/platform/qt/HelpWindow.cpp" line="+174"/>
        <source>遊び方</source>
        <translation>How to Play</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>言語 (Language)</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../src/game/menus.cpp" line="-67"/>
        <source>対局相手の途中変更は不可</source>
        <translation>The opponent cannot be changed during a game</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+4"/>
        <source>途中設定変更は不可</source>
        <translation>The sides cannot be changed during a game</translation>
    </message>
    <message>
        <location line="+21"/>
        <location filename="../src/puzzles/Session.cpp" line="-130"/>
        <source>  局面 → 最初にして下さい</source>
        <translation>  Choose Position → Back to Start first</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Tarvenko  バージョン %1<byte value="xd"/><byte value="xd"/>将棋の駒を盤に打って、自分の駒を縦・横・斜めにちょうど三つ並べたほうが勝ちのゲームです。</source>
        <translation>Tarvenko  version %1<byte value="xd"/><byte value="xd"/>Drop shogi pieces on the board: the first to line up exactly three of their own pieces in a column, a row or a diagonal wins.</translation>
    </message>
    <message>
        <location filename="../src/lines/end.cpp" line="+41"/>
        <source>先手の勝ちです</source>
        <translation>Black wins</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>後手の勝ちです</source>
        <translation>White wins</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ＣＯＭの勝ちです</source>
        <translation>The computer wins</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>あなたの勝ちです</source>
        <translation>You win</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>終了</source>
        <translation>Game Over</translation>
    </message>
    <message>
        <location filename="../src/platform/qt/MainWindow.cpp" line="+707"/>
        <location filename="../src/record/kifu.cpp" line="-142"/>
        <source>棋譜を保存</source>
        <translation>Save Record</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../src/record/kifu.cpp" line="+1"/>
        <source>棋譜を開く</source>
        <translation>Open Record</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tarvenko 棋譜 (*.tkf)</source>
        <translation>Tarvenko records (*.tkf)</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>リセット</source>
        <translation>Reset</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>成績をすべて消しますか？</source>
        <translation>Clear all statistics?</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>別の場所に保存…</source>
        <translation>Save Elsewhere…</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>保存せずに終わる</source>
        <translation>Quit Without Saving</translation>
    </message>
    <message>
        <location filename="../src/record/kifu.cpp" line="+134"/>
        <location line="+107"/>
        <source>持駒にその駒がありません</source>
        <translation>That piece is not in hand</translation>
    </message>
    <message>
        <location line="-106"/>
        <source>そのマスには駒があります</source>
        <translation>That square is taken</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>相手の利き筋に置いていません</source>
        <translation>The drop is not on a square the opponent attacks</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>その段には打てません</source>
        <translation>That piece cannot be dropped on that rank</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>この版の棋譜は読めません</source>
        <translation>A record of this version cannot be read</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tarvenko の棋譜ではありません</source>
        <translation>Not a Tarvenko record</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+8"/>
        <location line="+3"/>
        <location line="+35"/>
        <source>対局の行が違います</source>
        <translation>The game line is wrong</translation>
    </message>
    <message>
        <location line="-41"/>
        <source>強さが違います</source>
        <translation>The strength is wrong</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>局面の行が違います</source>
        <translation>The position line is wrong</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>空の行の後に続きがあります</source>
        <translation>Text follows an empty line</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>指し手が読めません</source>
        <translation>The move cannot be read</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>三つ並んで勝負がついた後の指し手です</source>
        <translation>A move after three in a row ended the game</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+2"/>
        <source>手番が違います</source>
        <translation>Wrong side to move</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>棋譜が途中で終わっています</source>
        <translation>The record ends too early</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>局面の番号が指し手の数を超えています</source>
        <translation>The position number is beyond the last move</translation>
    </message>
    <message>
        <location line="+129"/>
        <source>フォルダがありません</source>
        <translation>The folder does not exist</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>書き込みが許可されていません</source>
        <translation>Writing there is not permitted</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ディスクに空きがありません</source>
        <translation>The disk is full</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>書き込めません</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>保存する対局がありません</source>
        <translation>There is no game to save</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>棋譜を保存できませんでした<byte value="xd"/><byte value="xd"/></source>
        <translation>The record could not be saved<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <location line="+12"/>
        <source>ファイルがありません</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+17"/>
        <source>読み込めません</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <location line="-47"/>
        <location line="+32"/>
        <source>ファイルではありません</source>
        <translation>Not a file</translation>
    </message>
    <message>
        <location line="+8"/>
        <location line="+9"/>
        <source>大きすぎます</source>
        <translation>The file is too large</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>メモリが足りません</source>
        <translation>Not enough memory</translation>
    </message>
    <message>
        <location line="+8"/>
        <location line="+9"/>
        <source>棋譜を開けませんでした<byte value="xd"/><byte value="xd"/></source>
        <translation>The record could not be opened<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <location line="-1"/>
        <source>%1行目: </source>
        <translation>Line %1: </translation>
    </message>
    <message>
        <location filename="../src/record/record.cpp" line="+29"/>
        <location line="+38"/>
        <source>できません</source>
        <translation>Not possible</translation>
    </message>
    <message>
        <location line="-38"/>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>進む</source>
        <translation>Forward</translation>
    </message>
    <message>
        <location filename="../src/render/text.cpp" line="+20"/>
        <source>１</source>
        <translation>1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>２</source>
        <translation>2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>３</source>
        <translation>3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>４</source>
        <translation>4</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>５</source>
        <translation>5</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>６</source>
        <translation>6</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>７</source>
        <translation>7</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>８</source>
        <translation>8</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>９</source>
        <translation>9</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>一</source>
        <translation>a</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>二</source>
        <translation>b</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>三</source>
        <translation>c</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>四</source>
        <translation>d</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>五</source>
        <translation>e</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>六</source>
        <translation>f</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>七</source>
        <translation>g</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>八</source>
        <translation>h</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>九</source>
        <translation>i</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>歩</source>
        <translation>P</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>香</source>
        <translation>L</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>桂</source>
        <translation>N</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>銀</source>
        <translation>S</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>金</source>
        <translation>G</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>角</source>
        <translation>B</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>飛</source>
        <translation>R</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>王</source>
        <translation>K</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1手目</source>
        <translation>Move %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1%2%3</source>
        <translation>%3*%1%2</translation>
    </message>
    <message>
        <location filename="../src/sound/sound.cpp" line="+31"/>
        <source>読み込めません。</source>
        <translation>Cannot be read.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>メモリが足りません。</source>
        <translation>Not enough memory.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>大きすぎます。</source>
        <translation>Too large.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>形式が違います。</source>
        <translation>Not a supported sound format.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>ファイルではありません。</source>
        <translation>Not a file.</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>Direct Soundインターフェースが作成できません。</source>
        <translation>The sound interface cannot be created.</translation>
    </message>
    <message>
        <location filename="../src/home/Home.cpp" line="+108"/>
        <source>対局を残せませんでした<byte value="xd"/><byte value="xd"/></source>
        <translation>The game in progress could not be kept<byte value="xd"/><byte value="xd"/></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>棋譜を別の場所に保存しますか？</source>
        <translation>Save its record elsewhere?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>対局を残せません</source>
        <translation>Game Not Kept</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>成績</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <location filename="../src/home/Statistics.cpp" line="+31"/>
        <source>標準・先手</source>
        <translation>Standard, you Black</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>標準・後手</source>
        <translation>Standard, you White</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>強い・先手</source>
        <translation>Strong, you Black</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>強い・後手</source>
        <translation>Strong, you White</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最強・先手</source>
        <translation>Strongest, you Black</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最強・後手</source>
        <translation>Strongest, you White</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>コンピュータとの対局（強さ・あなたの側）</source>
        <translation>Games against the computer (strength, your side)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%1&#x3000;%2局&#x3000;%3勝&#x3000;%4敗&#x3000;未完%5</source>
        <translation>%1: %2 played, %3 won, %4 lost, %5 unfinished</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>二人の対局&#x3000;%1局</source>
        <translation>Two-player games: %1</translation>
    </message>
    <message>
        <location filename="../src/analysis/Presentation.cpp" line="+42"/>
        <source>先手の勝ち（あと %d 手）</source>
        <translation>Black wins: %d to go</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>後手の勝ち（あと %d 手）</source>
        <translation>White wins: %d to go</translation>
    </message>
    <message>
        <location line="+312"/>
        <location line="+53"/>
        <location line="+248"/>
        <source>解析中…</source>
        <translation>Analysing…</translation>
    </message>
    <message>
        <location line="-277"/>
        <source>形勢不明</source>
        <translation>Unclear</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>%1&#x3000;%2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <location line="+104"/>
        <source>読み筋を調べています…</source>
        <translation>Working out the line…</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>…この先は証明されていません</source>
        <translation>… not proved beyond this</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>解析する手がありません</source>
        <translation>There are no moves to review.</translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+50"/>
        <source>棋譜解析</source>
        <translation>Review Game</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>勝ち</source>
        <translation>Win</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>勝ち（あと %d 手）</source>
        <translation>Win: %d to go</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>負け（あと %d 手）</source>
        <translation>Loss: %d to go</translation>
    </message>
    <message>
        <location line="-222"/>
        <location line="+224"/>
        <source>不明</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>敗着</source>
        <translation>Losing move</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>疑問手</source>
        <translation>Missed win</translation>
    </message>
    <message>
        <location filename="../src/platform/qt/ReviewWindow.cpp" line="+83"/>
        <source>開始局面</source>
        <translation>Starting position</translation>
    </message>
    <message>
        <location filename="../src/puzzles/Session.cpp" line="-65"/>
        <source>詰め問題</source>
        <translation>Puzzles</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>詰め問題のファイル %1 を読めません</source>
        <translation>The puzzle file %1 cannot be read</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>詰め問題のファイル %1 の %2 行目が正しくありません</source>
        <translation>Line %2 of the puzzle file %1 is damaged</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>%1手で三つ並べる</source>
        <translation>Three in %1 drops</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>始める</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最初の未解決</source>
        <translation>First unsolved</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>詰め問題がありません</source>
        <translation>There are no puzzles</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>先手番：%1 手で三つ並べてください</source>
        <translation>Black to play: make a row of three in %1 drops</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>後手番：%1 手で三つ並べてください</source>
        <translation>White to play: make a row of three in %1 drops</translation>
    </message>
    <message>
        <location line="+56"/>
        <source>答え</source>
        <translation>Answer</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>この手では %1 手で三つ並べることができなくなりました</source>
        <translation>After this drop a row of three can no longer be forced in %1 drops</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>正解です。%1 手で三つ並びました</source>
        <translation>Solved: a row of three in %1 drops</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>詰め問題（解いた数）</source>
        <translation>Puzzles solved</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1手で三つ並べる&#x3000;%2／%3</source>
        <translation>A row of three in %1 drops: %2 of %3</translation>
    </message>
</context>
</TS>
