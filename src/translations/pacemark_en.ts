<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ko_KR">
<context>
    <name>CharacterRegistry</name>
    <message>
        <source>파티 패럿</source>
        <translation>Party Parrot</translation>
    </message>
    <message>
        <source>토키</source>
        <translation>Toki</translation>
    </message>
</context>
<context>
    <name>CodexQuotaCard</name>
    <message>
        <source>Codex 한도</source>
        <translation>Codex Limits</translation>
    </message>
</context>
<context>
    <name>CreditsFormat</name>
    <message>
        <source>한도 없음</source>
        <translation>no limit</translation>
    </message>
    <message>
        <source>크레딧 소진</source>
        <translation>Credits used up</translation>
    </message>
    <message>
        <source>크레딧 꺼짐</source>
        <translation>Credits off</translation>
    </message>
</context>
<context>
    <name>DashboardFormat</name>
    <message numerus="yes">
        <source>%n회</source>
        <translation>
            <numerusform>%n</numerusform>
            <numerusform>%n</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DashboardPage</name>
    <message>
        <source>오늘 토큰</source>
        <translation>Today’s Tokens</translation>
    </message>
    <message>
        <source>속도</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>출력</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>세션</source>
        <translation>Sessions</translation>
    </message>
    <message>
        <source>비용</source>
        <translation>Cost</translation>
    </message>
    <message>
        <source>누적</source>
        <translation>All Time</translation>
    </message>
    <message>
        <source>오늘 비중</source>
        <translation>Today’s Share</translation>
    </message>
    <message>
        <source>가격 없는 토큰</source>
        <translation>Unpriced Tokens</translation>
    </message>
    <message>
        <source>최근 7일</source>
        <translation>Last 7 Days</translation>
    </message>
    <message>
        <source>모델별 토큰</source>
        <translation>Tokens by Model</translation>
    </message>
    <message>
        <source>모델별 비율</source>
        <translation>Share by Model</translation>
    </message>
    <message>
        <source>프로젝트별</source>
        <translation>By Project</translation>
    </message>
    <message>
        <source>오늘</source>
        <translation>Today</translation>
    </message>
    <message>
        <source>7일</source>
        <translation>7 Days</translation>
    </message>
    <message>
        <source>데이터가 없어요</source>
        <translation>No data yet</translation>
    </message>
    <message>
        <source>프로바이더별 토큰</source>
        <translation>Tokens by Provider</translation>
    </message>
</context>
<context>
    <name>HistoryPage</name>
    <message>
        <source>기록</source>
        <translation>History</translation>
    </message>
    <message>
        <source>날짜를 가리키면 그날의 토큰이 보입니다</source>
        <translation>Point at a day to see its tokens</translation>
    </message>
</context>
<context>
    <name>LimitNames</name>
    <message>
        <source>5시간</source>
        <translation>5-hour</translation>
    </message>
    <message>
        <source>5시간 한도</source>
        <translation>5-hour limit</translation>
    </message>
    <message>
        <source>주간</source>
        <translation>Weekly</translation>
    </message>
    <message>
        <source>주간 한도</source>
        <translation>Weekly limit</translation>
    </message>
    <message>
        <source>%1 주간</source>
        <translation>%1 weekly</translation>
    </message>
    <message>
        <source>%1 주간 한도</source>
        <translation>%1 weekly limit</translation>
    </message>
    <message>
        <source>추가 사용 크레딧</source>
        <translation>Extra usage credits</translation>
    </message>
    <message>
        <source>%1 5시간 한도</source>
        <translation>%1 5-hour limit</translation>
    </message>
    <message>
        <source>한도</source>
        <translation>Limit</translation>
    </message>
    <message numerus="yes">
        <source>%n주</source>
        <translation>
            <numerusform>%n-week</numerusform>
            <numerusform>%n-week</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n일</source>
        <translation>
            <numerusform>%n-day</numerusform>
            <numerusform>%n-day</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n시간</source>
        <translation>
            <numerusform>%n-hour</numerusform>
            <numerusform>%n-hour</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n분</source>
        <translation>
            <numerusform>%n-minute</numerusform>
            <numerusform>%n-minute</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 한도</source>
        <translation>%1 limit</translation>
    </message>
    <message>
        <source>%1 %2 한도</source>
        <translation>%1 %2 limit</translation>
    </message>
</context>
<context>
    <name>MainPopoverView</name>
    <message>
        <source>홈</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>기록</source>
        <translation>History</translation>
    </message>
    <message>
        <source>러너</source>
        <translation>Runner</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>OAuthError</name>
    <message>
        <source>요청 시간 초과</source>
        <translation>request timed out</translation>
    </message>
    <message>
        <source>연결 거부됨</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>서버가 연결을 끊음</source>
        <translation>server closed the connection</translation>
    </message>
    <message>
        <source>서버를 찾을 수 없음</source>
        <translation>server not found</translation>
    </message>
    <message>
        <source>TLS 연결 실패</source>
        <translation>TLS handshake failed</translation>
    </message>
    <message>
        <source>오프라인</source>
        <translation>offline</translation>
    </message>
</context>
<context>
    <name>QuotaAlert</name>
    <message>
        <source>%1 %2% 도달</source>
        <translation>%1 at %2%</translation>
    </message>
    <message>
        <source>%1가 초기화되었습니다</source>
        <translation>%1 has reset</translation>
    </message>
    <message>
        <source>%1 곧 도달</source>
        <translation>%1 almost reached</translation>
    </message>
    <message>
        <source>다시 여유 있게 쓸 수 있습니다.</source>
        <translation>You have room to work again.</translation>
    </message>
    <message>
        <source>%1의 %2%를 사용했습니다.</source>
        <translation>%1: %2% used.</translation>
    </message>
    <message>
        <source> %1 후 초기화됩니다.</source>
        <translation> It resets in %1.</translation>
    </message>
</context>
<context>
    <name>QuotaCard</name>
    <message>
        <source>Claude 쿼터</source>
        <translation>Claude Quota</translation>
    </message>
    <message>
        <source>Claude Code에 로그인하면 자동으로 쿼터를 표시합니다.</source>
        <translation>Log in to Claude Code and your quota shows here on its own.</translation>
    </message>
</context>
<context>
    <name>QuotaForecast</name>
    <message>
        <source>이 속도면 %1에 한도 도달</source>
        <translation>At this pace, limit reached at %1</translation>
    </message>
</context>
<context>
    <name>ResetCountdown</name>
    <message>
        <source>리셋됨</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>%1d %2h</source>
        <translation>%1d %2h</translation>
    </message>
    <message>
        <source>%1m</source>
        <translation>%1m</translation>
    </message>
    <message>
        <source>%1h %2m</source>
        <translation>%1h %2m</translation>
    </message>
</context>
<context>
    <name>RunnerSelectionView</name>
    <message>
        <source>러너</source>
        <translation>Runner</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>러너</source>
        <translation>Runner</translation>
    </message>
    <message>
        <source>속도 반전</source>
        <translation>Invert Speed</translation>
    </message>
    <message>
        <source>수평 반전</source>
        <translation>Flip Horizontally</translation>
    </message>
    <message>
        <source>캐릭터 크기</source>
        <translation>Character Size</translation>
    </message>
    <message>
        <source>작게 (16pt)</source>
        <translation>Small (16pt)</translation>
    </message>
    <message>
        <source>보통 (20pt)</source>
        <translation>Medium (20pt)</translation>
    </message>
    <message>
        <source>크게 (24pt)</source>
        <translation>Large (24pt)</translation>
    </message>
    <message>
        <source>러너 일시정지</source>
        <translation>Pause Runner</translation>
    </message>
    <message>
        <source>Claude 쿼터</source>
        <translation>Claude Quota</translation>
    </message>
    <message>
        <source>Claude Code에 로그인된 상태면 자동으로 사용량을 가져옵니다.</source>
        <translation>While you are logged in to Claude Code, your usage is fetched automatically.</translation>
    </message>
    <message>
        <source>상태</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>메뉴바 캐릭터 옆에 쿼터 배터리 표시</source>
        <translation>Show a quota battery beside the tray runner</translation>
    </message>
    <message>
        <source>배터리에 표시할 한도</source>
        <translation>Limit shown in the battery</translation>
    </message>
    <message>
        <source>가장 가까운 한도</source>
        <translation>Closest limit</translation>
    </message>
    <message>
        <source>연결</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>새로고침</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>연결 해제</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>알림</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>한도가 차오를 때와 초기화될 때 데스크톱 알림으로 알려 줍니다. 기간마다 한 번씩만 알립니다.</source>
        <translation>A desktop notification tells you when a limit fills up and when it resets, once per period.</translation>
    </message>
    <message>
        <source>쿼터 알림</source>
        <translation>Quota Alerts</translation>
    </message>
    <message>
        <source>첫 번째 알림</source>
        <translation>First alert</translation>
    </message>
    <message>
        <source>두 번째 알림</source>
        <translation>Second alert</translation>
    </message>
    <message>
        <source>비용</source>
        <translation>Cost</translation>
    </message>
    <message>
        <source>모델 가격은 LiteLLM의 공개 가격표(model_prices_and_context_window.json)에서 하루에 한 번 받아 옵니다. 끄면 마지막으로 받은 가격표를, 받은 적이 없으면 내장 가격표를 씁니다. ~/.config/Pacemark/prices.json이 있으면 그 가격이 우선합니다.</source>
        <translation>Model prices come from LiteLLM’s public price list (model_prices_and_context_window.json), fetched once a day. When this is off, the last list fetched is used, or the built-in one if none was ever fetched. Prices in ~/.config/Pacemark/prices.json take precedence.</translation>
    </message>
    <message>
        <source>가격표 자동 업데이트</source>
        <translation>Update Prices Automatically</translation>
    </message>
    <message>
        <source>일반</source>
        <translation>General</translation>
    </message>
    <message>
        <source>언어</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>한국어</source>
        <extracomment>Each language is named in its own words, in every language.</extracomment>
        <translation>한국어</translation>
    </message>
    <message>
        <source>시스템 언어</source>
        <translation>System Language</translation>
    </message>
    <message>
        <source>자동 실행</source>
        <translation>Startup</translation>
    </message>
    <message>
        <source>로그인 시 자동 시작</source>
        <translation>Start at Login</translation>
    </message>
    <message>
        <source>정보</source>
        <translation>About</translation>
    </message>
    <message>
        <source>버전</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>업데이트</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>업데이트 확인</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>Pacemark 종료</source>
        <translation>Quit Pacemark</translation>
    </message>
    <message>
        <source>사용량 소스</source>
        <translation>Usage Sources</translation>
    </message>
    <message>
        <source> (로그 없음)</source>
        <translation> (no logs)</translation>
    </message>
</context>
<context>
    <name>Statusline</name>
    <message>
        <source>로그를 읽는 중</source>
        <translation>Reading logs…</translation>
    </message>
</context>
<context>
    <name>StatuslineFigures</name>
    <message>
        <source>오늘 %1 %2</source>
        <translation>today %1 %2</translation>
    </message>
    <message>
        <source>세션 %1 %2</source>
        <translation>session %1 %2</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>업데이트 확인</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>최신 버전을 사용 중입니다.</source>
        <translation>You’re up to date.</translation>
    </message>
    <message>
        <source>새 버전 %1이(가) 있습니다.</source>
        <translation>Version %1 is available.</translation>
    </message>
    <message>
        <source>현재 버전: %1</source>
        <translation>Current version: %1</translation>
    </message>
    <message>
        <source>릴리스 노트: </source>
        <translation>Release notes: </translation>
    </message>
    <message>
        <source>다운로드 페이지 열기</source>
        <translation>Open Download Page</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>업데이트를 확인하지 못했습니다.</source>
        <translation>Could not check for updates.</translation>
    </message>
</context>
<context>
    <name>WeeklyChartView</name>
    <message>
        <source>데이터가 없어요</source>
        <translation>No data yet</translation>
    </message>
</context>
<context>
    <name>pacemark::AppUpdater</name>
    <message>
        <source>업데이트 서버가 제때 응답하지 않았습니다.</source>
        <translation>The update server did not answer in time.</translation>
    </message>
    <message>
        <source>업데이트 주소가 설정되지 않았습니다.</source>
        <translation>No update address is set.</translation>
    </message>
    <message>
        <source>업데이트 정보가 너무 큽니다.</source>
        <translation>The update information is too large.</translation>
    </message>
    <message>
        <source>업데이트 정보를 읽을 수 없습니다: </source>
        <translation>The update information cannot be read: </translation>
    </message>
</context>
<context>
    <name>pacemark::CodexQuotaCardModel</name>
    <message>
        <source>방금</source>
        <translation>just now</translation>
    </message>
    <message numerus="yes">
        <source>%n분 전</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n시간 전</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n일 전</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message>
        <source>Codex %1 %2 · %3</source>
        <translation>Codex %1 %2 · %3</translation>
    </message>
    <message>
        <source>크레딧</source>
        <translation>Credits</translation>
    </message>
    <message>
        <source>무제한</source>
        <translation>Unlimited</translation>
    </message>
    <message>
        <source>%1 기준</source>
        <translation>Updated %1</translation>
    </message>
</context>
<context>
    <name>pacemark::DashboardModel</name>
    <message>
        <source>기타</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>%1 · 누적 %2 %3</source>
        <translation>%1 · all time %2 %3</translation>
    </message>
</context>
<context>
    <name>pacemark::HistoryModel</name>
    <message>
        <source>M월</source>
        <translation>MMM</translation>
    </message>
    <message>
        <source>yyyy년 M월 d일</source>
        <translation>MMM d, yyyy</translation>
    </message>
    <message numerus="yes">
        <source>%1 · %2 토큰 (출력 %3) · %4</source>
        <translation>
            <numerusform>%1 · %2 token (%3 output) · %4</numerusform>
            <numerusform>%1 · %2 tokens (%3 output) · %4</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>12개월 %1 토큰</source>
        <translation>
            <numerusform>%1 token in 12 months</numerusform>
            <numerusform>%1 tokens in 12 months</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>pacemark::QuotaAlertNotifier</name>
    <message>
        <source>대시보드 열기</source>
        <translation>Open Dashboard</translation>
    </message>
</context>
<context>
    <name>pacemark::QuotaCardModel</name>
    <message>
        <source>크레딧</source>
        <translation>Credits</translation>
    </message>
    <message>
        <source>토큰 만료</source>
        <translation>Token expired</translation>
    </message>
    <message>
        <source>오류</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>미연결</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>pacemark::QuotaSettingsModel</name>
    <message>
        <source>Claude Code 미로그인</source>
        <translation>Not logged in to Claude Code</translation>
    </message>
    <message>
        <source>연결 해제됨</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>토큰 만료</source>
        <translation>Token expired</translation>
    </message>
    <message>
        <source>응답 형식 오류</source>
        <translation>Unexpected response</translation>
    </message>
    <message>
        <source>네트워크 오류: %1</source>
        <translation>Network error: %1</translation>
    </message>
    <message>
        <source>로딩 중…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>연결됨</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>업데이트: %1</source>
        <translation>Updated %1</translation>
    </message>
    <message>
        <source>크레딧 %1% (%2/%3)</source>
        <translation>Credits %1% (%2/%3)</translation>
    </message>
</context>
<context>
    <name>pacemark::SettingsWindowController</name>
    <message>
        <source>설정</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>pacemark::TrayMenu</name>
    <message>
        <source>대시보드 열기</source>
        <translation>Open Dashboard</translation>
    </message>
    <message>
        <source>설정</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>러너 일시정지</source>
        <translation>Pause Runner</translation>
    </message>
    <message>
        <source>Pacemark 종료</source>
        <translation>Quit Pacemark</translation>
    </message>
</context>
<context>
    <name>pacemark::TrayToolTip</name>
    <message>
        <source>리셋까지 %1</source>
        <translation>resets in %1</translation>
    </message>
    <message numerus="yes">
        <source>오늘 %1 토큰 · %2</source>
        <translation>
            <numerusform>Today: %1 token · %2</numerusform>
            <numerusform>Today: %1 tokens · %2</numerusform>
        </translation>
    </message>
    <message>
        <source>크레딧 %1</source>
        <translation>Credits %1</translation>
    </message>
    <message>
        <source>쉬는 중</source>
        <translation>resting</translation>
    </message>
    <message>
        <source>걷는 중</source>
        <translation>walking</translation>
    </message>
    <message>
        <source>달리는 중</source>
        <translation>running</translation>
    </message>
    <message>
        <source>전력 질주 중</source>
        <translation>sprinting</translation>
    </message>
    <message>
        <source>일시정지</source>
        <translation>paused</translation>
    </message>
    <message numerus="yes">
        <source>Pacemark 러너 %1 %2 · 오늘 %3 토큰 · %4</source>
        <translation>
            <numerusform>Pacemark runner %1, %2 · today %3 token · %4</numerusform>
            <numerusform>Pacemark runner %1, %2 · today %3 tokens · %4</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>pacemark::WeeklyChartModel</name>
    <message numerus="yes">
        <source>%1 · %2 토큰 · %3</source>
        <translation>
            <numerusform>%1 · %2 token · %3</numerusform>
            <numerusform>%1 · %2 tokens · %3</numerusform>
        </translation>
    </message>
</context>
</TS>
